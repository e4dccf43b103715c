#!/bin/sh
# Builds the fuzz targets and runs each one briefly on a copy of its seed corpus.
# Exits non-zero when any target finds a crash or a broken property.
#   FUZZ_SECONDS  time per target (default 20)
set -eu
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-20}
work=build/fuzz-work
targets="roster ver2 profile linelist timevalue"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

# All targets run at once, each for the time given, so the cores are busy for
# that time rather than one after another.
set --
for t in $targets; do
    rm -rf "$work/$t"
    mkdir -p "$work/$t/corpus" "$work/$t/findings"
    cp fuzz/corpus/"$t"/* "$work/$t/corpus/"
    build/fuzz/fuzz/fuzz_"$t" -max_total_time="$seconds" \
        -artifact_prefix="$work/$t/findings/" "$work/$t/corpus" >"$work/$t/log" 2>&1 &
    set -- "$@" $!
done

status=0
for t in $targets; do
    echo "== fuzz_$t (${seconds}s)"
    pid=$1
    shift
    if ! wait "$pid"; then
        echo "fuzz_$t: finding, see $work/$t/log and $work/$t/findings/" >&2
        tail -n 30 "$work/$t/log" >&2
        status=1
    fi
    grep -E '^Done|#[0-9]+.*DONE' "$work/$t/log" | tail -n 1 || true
done
exit $status
