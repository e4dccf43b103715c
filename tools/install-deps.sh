#!/bin/sh
# Installs the Debian packages this project needs, and nothing when all are there.
set -eu

packages="cmake ninja-build g++ clang clang-format clang-tidy libclang-rt-14-dev qt6-base-dev qt6-base-dev-tools
qt6-base-private-dev qt6-multimedia-dev qt6-charts-dev libqt6opengl6-dev libsqlite3-dev qt6-qpa-plugins qt6-wayland weston libgl-dev libbenchmark-dev fonts-noto-cjk fonts-liberation fonts-liberation2 fonts-dejavu-core
xvfb xauth x11-apps xdotool imagemagick libxml2-utils python3 sox qt6-translations-l10n
dpkg-dev lintian desktop-file-utils appstream shared-mime-info file"

missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "missing packages:$missing (run as root to install them)" >&2
    exit 1
fi
echo "installing:$missing"
# Wait for another apt run (an unattended upgrade, a second build) instead of failing.
apt_wait="-o DPkg::Lock::Timeout=600"
# shellcheck disable=SC2086
apt-get $apt_wait update -qq
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive apt-get $apt_wait install -y -qq --no-install-recommends $missing
