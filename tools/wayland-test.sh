#!/bin/sh
# Starts the built program as a native Wayland client under a headless weston, on
# the sample roster named on its command line: it must stay up, show its main
# window and the sub tool under the application ID, print nothing on standard
# error, and on SIGTERM write the settings an offscreen run writes.
# Usage: sh tools/wayland-test.sh [program]   (default: build/debug/qvrutl)
set -eu
cd "$(dirname "$0")/.."
built=$(realpath "${1:-build/debug/qvrutl}")
lsan_suppressions=$PWD/tools/lsan-suppressions.txt
app_id=$(sed -n 's/^set(QVR_APP_ID \(.*\))$/\1/p' CMakeLists.txt)
. tools/close-after-a-while.sh
fail() {
    echo "wayland test: ${platform:+$platform: }$*" >&2
    exit 1
}
[ -x "$built" ] || fail "no program at $built (build it first)"
if ! command -v weston >/dev/null; then
    echo "wayland test skipped: weston is not installed (tools/install-deps.sh installs it)"
    exit 0
fi

work=$(mktemp -d)
weston_pid=""
cleanup() {
    [ -z "$weston_pid" ] || kill "$weston_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
runtime=$work/run
mkdir -m 700 "$runtime"
socket=wayland-qvrutl-test

# The protocol log shows what the program asked the compositor for.
XDG_RUNTIME_DIR=$runtime weston --backend=headless-backend.so --socket=$socket --no-config --idle-time=0 \
    --logger-scopes=log,proto --log="$work/weston.log" >/dev/null 2>&1 &
weston_pid=$!
i=0
while [ ! -S "$runtime/$socket" ]; do
    if ! kill -0 "$weston_pid" 2>/dev/null; then
        echo "wayland test skipped: weston cannot run here: $(tail -n 3 "$work/weston.log" 2>/dev/null)"
        exit 0
    fi
    i=$((i + 1))
    [ "$i" -le 100 ] || fail "weston made no socket in 10 s"
    sleep 0.1
done

# Each run in a folder of its own: the program copied there keeps its settings
# beside itself, and the sample roster is in the current folder.
run() { # name, platform, environment assignments...
    dir=$work/$1
    platform=$2
    shift 2
    mkdir -p "$dir"
    cp "$built" "$dir/qvrutl"
    cp examples/qvrutl.pd3 examples/defhead.htm "$dir/"
    (cd "$dir" && exec env XDG_RUNTIME_DIR="$runtime" XDG_STATE_HOME="$dir/state" QT_QPA_PLATFORM="$platform" \
        LSAN_OPTIONS="suppressions=$lsan_suppressions:print_suppressions=0" \
        "$@" ./qvrutl qvrutl.pd3 2>"$dir/stderr") &
    close_after_a_while $! "$dir/stderr"
}

# The offscreen platform's own notes ("This plugin does not support raise()")
# are no warnings of the program's; its settings are the reference.
run offscreen offscreen
run wayland wayland WAYLAND_DISPLAY=$socket
[ ! -s "$work/wayland/stderr" ] || fail "the program printed: $(cat "$work/wayland/stderr")"

cmp "$work/offscreen/qvrutl.INI" "$work/wayland/qvrutl.INI" ||
    fail "the settings differ from an offscreen run: $(cat -A "$work/wayland/qvrutl.INI")"
log=$work/weston.log
grep -q "xdg_toplevel@[0-9]*\.set_app_id(\"$app_id\")" "$log" || fail "no window with the application ID $app_id"
for title in "QVR Utility ver3" "Timer"; do
    grep -q "xdg_toplevel@[0-9]*\.set_title(\"$title\")" "$log" || fail "no window \"$title\" was shown"
done
# The error report is the only window captioned "QVR Utility Ver3": a refused roster.
! grep -q 'set_title("QVR Utility Ver3")' "$log" || fail "the program showed an error report"
echo "wayland test: passed ($(weston --version 2>&1))"
