#!/bin/sh
# Installs what is missing, builds the program and every test, and runs them.
set -eu
cd "$(dirname "$0")/.."
sh tools/install-deps.sh
export QT_QPA_PLATFORM=offscreen

cmake --preset debug >/dev/null
cmake --build --preset debug
ctest --preset debug -j2
