#!/bin/sh
# The build's refusal of backend sources that reach the program's own
# headers, seen on planted sources compiled as the backend's are: through
# check-includes, with the backend's include roots and src/app forbidden.
#
# usage: check_includes_test.sh SOURCE_DIR COMPILER INCLUDE_ROOT...
set -u
here=$(cd "$(dirname "$0")" && pwd)
src=$1 compiler=$2
shift 2
includes=""
for root in "$@"; do includes="$includes -I$root"; done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A backend-like folder two levels down, with a link to src/app beside it, so
# a climbing relative path reaches src/app as it would from src/platform/gtk.
mkdir -p "$work/platform/gtk"
ln -s "$src/src/app" "$work/app"
planted="$work/platform/gtk/Planted.cpp"
object="$work/Planted.o"

failed=""
# row OUTCOME INCLUDE: compiles a source holding INCLUDE, whose OUTCOME is
# "built", "missing" (the compiler finds no such header) or "refused" (found,
# and then refused by the check, its object removed).
row() {
    rm -f "$object"
    printf '#include %s\nint planted;\n' "$2" >"$planted"
    # shellcheck disable=SC2086 # one argument per include root
    output=$(sh "$here/check-includes" "$src/src/app" -- \
        "$compiler" -std=c++20 $includes -c "$planted" -o "$object" 2>&1)
    status=$?
    case $1 in
    built) [ $status -eq 0 ] && [ -e "$object" ] ;;
    missing) [ $status -ne 0 ] && printf '%s' "$output" | grep -q 'No such file' ;;
    refused) [ $status -ne 0 ] && [ ! -e "$object" ] &&
        printf '%s' "$output" | grep -q "reaches $src/src/app/LaunchSettings.h" ;;
    esac || {
        echo "FAIL: #include $2 was not $1 (status $status):" >&2
        printf '%s\n' "$output" | head -n 5 >&2
        failed=yes
    }
}

row built '"platform/Platform.h"'
row missing '"app/App.h"'
row missing '"../app/App.h"'
row missing '<app/App.h>'
row refused '"../../app/LaunchSettings.h"'
row refused '"platform/gtk/../../app/LaunchSettings.h"'
row refused "\"$src/src/app/LaunchSettings.h\""
[ -z "$failed" ] || exit 1
echo "the backend's include check builds platform headers and refuses src/app by every path tried"
