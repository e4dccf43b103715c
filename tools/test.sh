#!/bin/sh
# Installs what is missing, builds the program and every test under the address
# and undefined-behaviour sanitizers, and runs them: the suite, the style check
# (format, layers, clang-tidy), the program as a native Wayland client, the
# Debian package built and tried as an installed program, short fuzz runs of the
# file readers, and a brief benchmark run so the benchmarks keep working.
set -eu
cd "$(dirname "$0")/.."
sh tools/install-deps.sh
export QT_QPA_PLATFORM=offscreen

cmake --preset debug >/dev/null
cmake --build --preset debug
# Much of what follows waits (the suite's timers and the pauses before each
# kill trial, the Wayland compositor, the package's checks, the benchmarks on
# one core), so clang-tidy runs beside all of it, and three tests at once.
style_log=build/debug/style.log
sh tools/check-style.sh >"$style_log" 2>&1 &
style=$!
ctest --preset debug -j3

sh tools/wayland-test.sh build/debug/qvrutl

sh tools/package-test.sh

FUZZ_SECONDS=${FUZZ_SECONDS:-10} sh tools/fuzz-smoke.sh

sh tools/bench-smoke.sh

if ! wait "$style"; then
    cat "$style_log" >&2
    exit 1
fi
cat "$style_log"
