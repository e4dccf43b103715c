#!/bin/sh
# Starts the real program under Xvfb on the sample files and captures the main
# window with the sub tool beside it, in the EP1 view, at scale 1 and 2.
# Writes docs/screenshot-ep1.png and docs/screenshot-ep1-x2.png.
set -eu
cd "$(dirname "$0")/.."
sh tools/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target qvrutl

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A copy of the program keeps its settings file beside itself, away from the user's.
cp build/release/qvrutl "$work/qvrutl"
printf '[LAST]\r\nDispMode=1\r\n' >"$work/qvrutl.INI"

shoot() { # scale, output, screen size
    (cd examples && QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR="$1" xvfb-run -a -s "-screen 0 $3x24" \
        sh -c "\"$work/qvrutl\" & pid=\$!; sleep 4; import -window root \"$work/root.png\"; kill \$pid")
    convert "$work/root.png" -trim +repage "$2"
}
shoot 1 docs/screenshot-ep1.png 1800x1200
shoot 2 docs/screenshot-ep1-x2.png 3600x2400
echo "wrote docs/screenshot-ep1.png docs/screenshot-ep1-x2.png"
