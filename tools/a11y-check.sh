#!/bin/sh
# Starts the real program under Xvfb on the sample files with the accessibility
# bridge on, and reads it through AT-SPI as a screen reader would
# (tools/a11y-read.py): every shown control's name, the grid's cells in each view.
# Prints what it heard; exits non-zero when a control has no name or a cell
# cannot be read. SHOT=file.png also saves a picture of the screen.
# PRESET=debug uses that build instead of the release one.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
sh tools/install-deps.sh

# Only this check needs a screen reader's side of the bus.
need=""
for p in python3-pyatspi at-spi2-core dbus-x11; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need="$need $p"
done
if [ -n "$need" ]; then
    [ "$(id -u)" -eq 0 ] || { echo "missing packages:$need (run as root to install them)" >&2; exit 1; }
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends $need
fi

preset=${PRESET:-release}
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target qvrutl

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A copy of the program keeps its settings file beside itself, away from the user's.
cp "build/$preset/qvrutl" "$work/qvrutl"
printf '[LAST]\r\nDispMode=0\r\n' >"$work/qvrutl.INI"

cd examples
SHOT=${SHOT:-} xvfb-run -a -s "-screen 0 1600x1000x24" dbus-run-session -- sh -c '
    /usr/libexec/at-spi-bus-launcher --launch-immediately &
    bus=$!
    sleep 1
    QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$1/qvrutl" &
    app=$!
    status=0
    /usr/bin/python3 "$2" qvrutl || status=$?
    if [ -n "$SHOT" ]; then import -window root "$SHOT"; fi
    kill $app $bus
    exit $status' sh "$work" "$root/tools/a11y-read.py"
