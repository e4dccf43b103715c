#!/bin/sh
# Builds the Debian package and tries it the way it will live: its files and
# their metadata, lintian, and the extracted program run twice by an unprivileged
# user from a root-owned folder, which must close in order and remember its
# settings in the user's configuration folder; then the package installed with
# apt-get as a user installs it, its program given a roster file, and purged.
set -eu
cd "$(dirname "$0")/.."
app_id=$(sed -n 's/^set(QVR_APP_ID \(.*\))$/\1/p' CMakeLists.txt)
deb=$(sh tools/package.sh | tail -n 1)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
root=$work/root
. tools/close-after-a-while.sh
fail() {
    echo "package test: $*" >&2
    exit 1
}

dpkg-deb -x "$deb" "$root"
for f in bin/qvrutl lib/qvrutl/qvrsound.so lib/qvrutl/qvrhistory.so share/qvrutl/examples/qvrutl.pd3 share/qvrutl/examples/defhead.htm \
    "share/applications/$app_id.desktop" "share/metainfo/$app_id.metainfo.xml" \
    "share/mime/packages/$app_id.xml" share/icons/hicolor/scalable/apps/qvrutl.svg \
    share/icons/hicolor/48x48/apps/qvrutl.png share/icons/hicolor/128x128/apps/qvrutl.png \
    share/icons/hicolor/256x256/apps/qvrutl.png share/man/man1/qvrutl.1.gz \
    share/doc/qvrutl/copyright share/doc/qvrutl/changelog.Debian.gz share/doc/qvrutl/README.md; do
    [ -f "$root/usr/$f" ] || fail "missing /usr/$f"
done
extra=$(cd "$root" && find . -mindepth 1 ! -path './usr' ! -path './usr/bin*' ! -path './usr/share*' \
    ! -path './usr/lib' ! -path './usr/lib/qvrutl*')
[ -z "$extra" ] || fail "files outside /usr/bin, /usr/lib/qvrutl and /usr/share: $extra"
for f in bin/qvrutl lib/qvrutl/qvrsound.so lib/qvrutl/qvrhistory.so; do
    file -b "$root/usr/$f" | grep -q ', stripped' || fail "/usr/$f not stripped"
done
depends=$(dpkg-deb -f "$deb" Depends)
for p in libqt6widgets6 libqt6multimedia6 libqt6charts6 libsqlite3-0 qt6-qpa-plugins qt6-wayland gstreamer1.0-plugins-base fonts-noto-cjk fonts-liberation \
    qt6-translations-l10n; do
    echo "$depends" | grep -q "$p" || fail "Depends lacks $p: $depends"
done

desktop="$root/usr/share/applications/$app_id.desktop"
desktop-file-validate "$desktop"
# A file manager hands the clicked file to the program.
grep -qx 'Exec=qvrutl %f' "$desktop" || fail "the desktop entry does not pass the file: $(grep Exec "$desktop")"
appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml"
grep -q "<id>$app_id</id>" "$root/usr/share/metainfo/$app_id.metainfo.xml" || fail "the metainfo has another ID"
# The MIME types as the desktop sees them once the database is built.
mkdir -p "$work/mime/packages"
cp "$root/usr/share/mime/packages/$app_id.xml" "$work/mime/packages/"
update-mime-database "$work/mime" >/dev/null 2>&1
grep -q 'application/x-qvrutl-roster:\*\.pd3' "$work/mime/globs2" || fail "no glob for .pd3"
grep -q 'application/x-qvrutl-roster-v2:\*\.pd2' "$work/mime/globs2" || fail "no glob for .pd2"
grep -q '^application/x-qvrutl-roster$' "$work/mime/types" || fail "no roster type"
lintian --fail-on error "$deb" >"$work/lintian" || fail "lintian reports errors: $(cat "$work/lintian")"
cat "$work/lintian"
! grep -q desktop-mime-but-no-exec-code "$work/lintian" || fail "lintian: the desktop entry takes no file"

# Two runs as nobody, offscreen, HOME in the temporary folder. SIGTERM closes the
# program as its close box does; a run that does not end shows a message box
# (an error report) that nobody can answer.
home=$work/home
install -d -o nobody -g nogroup -m 700 "$home" "$work/run"
cp "$root/usr/share/qvrutl/examples/qvrutl.pd3" "$home/saved.pd3"
file="" # a file to name on the command line
run() { # program, extra environment assignments...
    program=$1
    shift
    setpriv --reuid=nobody --regid=nogroup --clear-groups --reset-env \
        env HOME="$home" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=offscreen "$@" \
        sh -c 'cd "$HOME" && exec "$0" ${1:+"$1"}' "$program" "$file" 2>"$work/stderr" &
    close_after_a_while $! "$work/stderr" "$hold"
}
hold=4 # seconds a run lasts before SIGTERM
crlf() { printf '%s\r\n' "$@"; }
ini=$home/.config/qvrutl/qvrutl.INI

run "$root/usr/bin/qvrutl"
[ ! -e "$root/usr/bin/qvrutl.INI" ] || fail "settings written beside the installed program"
crlf "[OPTION]" OutStatus=0 OutEP1Time=1 OutEP2Time=1 OutMemo=0 "" "[SYSTEM]" SFile=default.wav "" \
    "[LAST]" LastFile=qvrutl.pd3 DispMode=0 >"$work/expected"
cmp "$ini" "$work/expected" || fail "first exit wrote other settings: $(cat -A "$ini")"

# What a run that saved the roster, switched to EP1 and ticked two options leaves.
crlf "[OPTION]" OutStatus=1 OutEP1Time=1 OutEP2Time=0 OutMemo=1 "" "[SYSTEM]" SFile=default.wav "" \
    "[LAST]" "LastFile=$home/saved.pd3" DispMode=1 >"$work/expected"
cp "$work/expected" "$ini"
run "$root/usr/bin/qvrutl"
# Every value read at start is written back at exit: a value not read would come
# back as its default, a view not taken as 0.
cmp "$ini" "$work/expected" || fail "second start forgot settings: $(cat -A "$ini")"

run "$root/usr/bin/qvrutl" XDG_CONFIG_HOME="$home/xdg"
[ -f "$home/xdg/qvrutl/qvrutl.INI" ] || fail "no settings under XDG_CONFIG_HOME"

# A time typed into the grid as a user would (on a screen of its own, keys from
# xdotool) is recorded in the user's data folder.
Xvfb :97 -ac -screen 0 1024x768x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; rm -rf "$work"' EXIT
i=0
until DISPLAY=:97 xdotool getmouselocation >/dev/null 2>&1; do
    i=$((i + 1))
    [ "$i" -le 40 ] || fail "the X server for the typing run did not start"
    sleep 0.25
done
type_level() {
    wid=$(DISPLAY=:97 timeout 30 xdotool search --sync --name "QVR Utility" | head -n 1)
    sleep 1
    DISPLAY=:97 xdotool windowfocus --sync "$wid" key ctrl+Home Right Right Right Right Right F2 4 2 Return
}
type_level &
hold=15
run "$root/usr/bin/qvrutl" DISPLAY=:97 QT_QPA_PLATFORM=xcb
hold=4
history=$home/.local/share/qvrutl/history.sqlite
recorded=$(python3 -c 'import sqlite3,sys; print(sqlite3.connect(sys.argv[1]).execute(
    "SELECT kind, field, new_value FROM entries").fetchall())' "$history") || fail "no history at $history"
# The settings of the run before left the EP1 view: 42 is the time of its C1.
[ "$recorded" = "[(1, 0, 42)]" ] || fail "the history holds $recorded, not the time typed"
kill "$xvfb"

# Installed as a user installs it, the program opens the roster it is given as a
# file manager gives it (a refused one would leave an error report open, and the
# program would not close); the next start still opens the file saved last.
installed=$(dpkg-query -W -f='${Status}' qvrutl 2>/dev/null || true)
apt_wait="-o DPkg::Lock::Timeout=600"
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive apt-get $apt_wait install -y -qq "$deb" >"$work/apt" 2>&1 ||
    fail "apt-get install failed: $(cat "$work/apt")"
cp "$home/saved.pd3" "$home/given.pd3"
cp "$work/expected" "$ini"
file=given.pd3
run /usr/bin/qvrutl
file=""
cmp "$ini" "$work/expected" || fail "opening a given file changed the settings: $(cat -A "$ini")"
case $installed in
*"install ok installed"*) ;;
# shellcheck disable=SC2086
*) DEBIAN_FRONTEND=noninteractive apt-get $apt_wait purge -y -qq qvrutl >/dev/null 2>&1 ;;
esac

# The portable folder, unpacked by its user, keeps its settings beside the
# program, with the bytes it always wrote, and leaves the user's folder alone.
rm -rf "$home/.config" "$home/xdg"
(cd build/package && cpack -G TGZ >/dev/null)
setpriv --reuid=nobody --regid=nogroup --clear-groups \
    tar -xzf build/package/qvrutl-*-Linux.tar.gz -C "$home"
portable=$(echo "$home"/qvrutl-*-Linux)
[ -f "$portable/lib/qvrutl/qvrsound.so" ] || fail "the portable folder lacks its sound module"
[ -f "$portable/lib/qvrutl/qvrhistory.so" ] || fail "the portable folder lacks its chart module"
run "$portable/qvrutl"
crlf "[OPTION]" OutStatus=0 OutEP1Time=1 OutEP2Time=1 OutMemo=0 "" "[SYSTEM]" SFile=default.wav "" \
    "[LAST]" LastFile=qvrutl.pd3 DispMode=0 >"$work/expected"
cmp "$portable/qvrutl.INI" "$work/expected" || fail "portable settings differ: $(cat -A "$portable/qvrutl.INI")"
[ ! -e "$home/.config/qvrutl" ] || fail "the portable program wrote to ~/.config"
echo "package test: $(basename "$deb") passed"
