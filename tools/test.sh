#!/bin/sh
# Installs what is missing, builds the program and every test, and runs them:
# the suite, the style check (format, layers, clang-tidy), the program as a
# native Wayland client, the Debian package built and tried as an installed
# program, short fuzz runs of the file readers, a brief benchmark run so the
# benchmarks keep working, and the suite again under the address and
# undefined-behaviour sanitizers.
set -eu
cd "$(dirname "$0")/.."
sh tools/install-deps.sh
export QT_QPA_PLATFORM=offscreen

cmake --preset debug >/dev/null
cmake --build --preset debug
# A third of the suite's time is waiting (timers, the pauses before each kill
# trial), so three at once keep two cores busy.
ctest --preset debug -j3

sh tools/check-style.sh

sh tools/wayland-test.sh build/debug/qvrutl

sh tools/package-test.sh

FUZZ_SECONDS=${FUZZ_SECONDS:-10} sh tools/fuzz-smoke.sh

sh tools/bench-smoke.sh

cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan -j2
