#!/bin/sh
# Builds the Debian package from a release build of its own, with Debian's
# hardening and optimisation flags, and prints the package's path:
# build/package/qvrutl_<version>_amd64.deb.
set -eu
cd "$(dirname "$0")/.."
sh tools/install-deps.sh
dir=build/package
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQVR_BUILD_TESTS=OFF -DQVR_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$dir" --target qvrutl >&2
rm -f "$dir"/qvrutl_*.deb
(cd "$dir" && cpack -G DEB >&2)
ls "$PWD/$dir"/qvrutl_*_amd64.deb
