#!/bin/sh
# Runs every benchmark once, briefly, from the debug build, so that they keep
# building and running. The figures of such a run mean nothing; bench/README.md
# tells how to measure.
set -eu
cd "$(dirname "$0")/.."
build=${BENCH_BUILD:-build/debug}
export QT_QPA_PLATFORM=offscreen
for b in bench_core bench_grid bench_startup bench_history; do
    if [ -x "$build/bench/$b" ]; then
        echo "== $b"
        "$build/bench/$b" --benchmark_min_time=0.01 > "$build/bench/$b.smoke.txt" 2>&1 ||
            { cat "$build/bench/$b.smoke.txt"; exit 1; }
        # The ratio table ends the output.
        sed -n '/^action /,$p' "$build/bench/$b.smoke.txt"
    else
        echo "missing $build/bench/$b" >&2
        exit 1
    fi
done
