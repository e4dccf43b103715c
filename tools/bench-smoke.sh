#!/bin/sh
# Runs every benchmark once, briefly, so that they keep building and running.
# They are built in the package's release build (tools/package.sh), beside the
# program it already holds: under the debug build's sanitizers their large
# rosters would take minutes. The figures of such a run mean nothing;
# bench/README.md tells how to measure.
set -eu
cd "$(dirname "$0")/.."
build=build/package
benches="bench_core bench_grid bench_startup bench_history"
[ -f "$build/CMakeCache.txt" ] || sh tools/package.sh >/dev/null
cmake -S . -B "$build" -DQVR_BUILD_BENCH=ON >/dev/null
# shellcheck disable=SC2086
cmake --build "$build" --target $benches
export QT_QPA_PLATFORM=offscreen
for b in $benches; do
    echo "== $b"
    "$build/bench/$b" --benchmark_min_time=0.01 >"$build/bench/$b.smoke.txt" 2>&1 ||
        { cat "$build/bench/$b.smoke.txt"; exit 1; }
    # The ratio table ends the output.
    sed -n '/^action /,$p' "$build/bench/$b.smoke.txt"
done
