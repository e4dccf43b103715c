#!/bin/sh
# Installs what is missing, builds the program and starts it on the sample roster.
set -eu
cd "$(dirname "$0")/.."
sh tools/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target qvrutl
cd examples
exec ../build/release/qvrutl
