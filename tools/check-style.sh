#!/bin/sh
# Fails on code that clang-format would change, on an include that breaks the
# layers of src/, and on any clang-tidy finding in src/ (needs the debug build's
# compile_commands.json).
set -eu
cd "$(dirname "$0")/.."
build=${STYLE_BUILD:-build/debug}

echo "== format"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

echo "== layers"
python3 tools/check-layers.py src

echo "== tidy"
log="$build/tidy.log"
if ! run-clang-tidy -p "$build" -quiet -j2 "$PWD/src/" >"$log" 2>&1; then
    grep -E "(error|warning):" "$log" | sed 's/\x1b\[[0-9;]*m//g' | sort -u >&2
    echo "clang-tidy found the above; the whole output is in $log" >&2
    exit 1
fi
echo "tidy: no findings"
