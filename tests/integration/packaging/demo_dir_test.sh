#!/bin/sh
# Builds the program a second time with VELMORIN_DEMO_DIR naming a demo of the
# test's own, and checks that this demo, not the usual one, is bundled in the
# build tree and when installed, and is what the program plays; and that the
# demo folder's check speaks up when configuring and building, and stops the
# build when it is strict. The program is built from a copy of the source
# whose page contract names another start page and serves one more type, which
# the player, its media door and the check must all follow.
#
# usage: demo_dir_test.sh CMAKE SOURCE_DIR APP_ID [CMAKE_ARGUMENT...]
set -eu
. "$(dirname "$0")/common.sh"
cmake=$1 source_dir=$2 app_id=$3
shift 3
make_work demo-dir

# The player and the demo folder's check take what is served from one file,
# src/page-contract.txt. The copy's starts from start.html and also serves
# .mjs files as scripts.
source_copy="$work/source"
mkdir "$source_copy"
tar -C "$source_dir" --exclude='./build*' --exclude=./.git -cf - . | tar -C "$source_copy" -xf -
sed -i 's/^start-page .*/start-page start.html/' "$source_copy/src/page-contract.txt"
printf 'type mjs text/javascript\n' >>"$source_copy/src/page-contract.txt"

# A page that needs a script and a picture from folders below it: the text
# and the canvas size it ends with come only from both being served. Its
# button comes from an .mjs module, which runs only if served as a script.
demo="$work/own demo"
mkdir -p "$demo/js" "$demo/pictures"
cat >"$demo/start.html" <<'PAGE'
<!doctype html>
<html><head><meta charset="utf-8"><title>own demo</title></head>
<body style="margin:0;background:#000;color:#fff">
<p id="text">the script did not run</p>
<canvas width="1" height="1"></canvas>
<script src="js/fill.js"></script>
<script type="module" src="js/button.mjs"></script>
</body></html>
PAGE
printf '%s\n' "document.body.append(document.createElement('button'));" >"$demo/js/button.mjs"
cat >"$demo/js/fill.js" <<'SCRIPT'
document.getElementById('text').textContent = 'own demo ' + 6 * 7;
const picture = new Image();
picture.onload = () => {
  const canvas = document.querySelector('canvas');
  canvas.width = picture.naturalWidth;
  canvas.height = picture.naturalHeight + 1;
};
picture.src = 'pictures/icon.png';
SCRIPT
cp "$source_dir/packaging/icons/48x48/$app_id.png" "$demo/pictures/icon.png"

# play_own_page PROGRAM OUTPUT: the program in self-test mode shows the test's
# page with its script run and its picture loaded. The probe looks at the page
# after a fixed delay, which a busy machine can outrun while the page still
# loads its script and picture; a page that is wrong three times is wrong.
play_own_page() {
    for attempt in 1 2 3; do
        run_selftest "$1" "$2"
        line=$(sed -n 1p "$2")
        printf '%s\n' "$line" | grep -Eq '"text":"own demo 42(\\n| )*"' &&
            printf '%s\n' "$line" | grep -qF '"buttons":1,"canvas":[48,49]' && return 0
        echo "attempt $attempt: not the test's page with its scripts and picture"
    done
    fail "$1 did not show the test's page with its scripts and picture"
}

step "configure and build the copy with VELMORIN_DEMO_DIR=$demo"
build="$work/build"
logged configure.log "configuring failed" \
    "$cmake" -S "$source_copy" -B "$build" -DVELMORIN_DEMO_DIR="$demo" -DVELMORIN_WITH_TESTS=OFF "$@"
# The check names findings by the folder's path; a clean demo gives none,
# the .mjs module included, when the check follows the copy's contract.
! grep -F "$demo/" "$work/configure.log" || fail "the check found fault with a clean demo"
jobs=$(nproc 2>/dev/null || echo 2)
build_program() { logged "$1" "$2" "$cmake" --build "$build" --target velmorin-hd -j "$jobs"; }
build_program build.log "building failed"
# The media door answers "app://demo/" with the start page too, from the same
# contract.
plugin="$build/$VELMORIN_MEDIA_DOOR"
grep -qaF start.html "$plugin" && ! grep -qaF index.html "$plugin" ||
    fail "the media door was not built with the copy's start page"

step "the build tree bundles the test's demo"
diff -r "$demo" "$build/share/velmorin-hd/demo" || fail "the build tree's demo differs"
play_own_page "$build/bin/velmorin-hd" "$work/build.out"

step "installed under a prefix of its own"
prefix="$work/prefix"
logged install.log "installing failed" "$cmake" --install "$build" --prefix "$prefix"
check_layout "$prefix" "$app_id" "$demo"
play_own_page "$prefix/bin/velmorin-hd" "$work/install.out"

step "a changed and a new demo file are bundled again by the next build"
sleep 1
sed -i 's/own demo /changed demo /' "$demo/js/fill.js"
echo "extra" >"$demo/pictures/notes.txt"
build_program rebuild.log "building again failed"
diff -r "$demo" "$build/share/velmorin-hd/demo" || fail "the build tree kept the old demo"

step "a style sheet link added to the page: the build warns and goes on"
sed -i 's|<head>|<head><link rel="stylesheet" href="late.css">|' "$demo/start.html"
build_program rebuild2.log "a warning stopped the build"
grep -F "$demo/start.html:2: warning: the style sheet late.css" "$work/rebuild2.log" ||
    fail "building did not warn of the style sheet"

# The source's own contract serves .mjs as application/octet-stream.
step "a demo with an external style sheet and an .mjs module: two warnings, strict stops"
checked="$work/checked demo"
mkdir -p "$checked"
printf '%s\n' '<!doctype html>' '<link rel="stylesheet" href="style.css">' \
    '<script type="module">import { run } from "./lib.mjs"; run();</script>' >"$checked/index.html"
printf 'p { color: red }\n' >"$checked/style.css"
printf 'export function run() {}\n' >"$checked/lib.mjs"
logged checked.log "warnings stopped configuring" \
    "$cmake" -S "$source_dir" -B "$work/checked" -DVELMORIN_DEMO_DIR="$checked" -DVELMORIN_WITH_TESTS=OFF "$@"
grep -F "$checked/" "$work/checked.log" >"$work/findings.txt" || true
cat "$work/findings.txt"
[ "$(wc -l <"$work/findings.txt")" -eq 2 ] || fail "expected two warnings"
grep -q 'index.html:2: warning: the style sheet style.css .* put the CSS in a <style> element' \
    "$work/findings.txt" || fail "no warning with advice for style.css"
grep -q 'index.html:3: warning: the module ./lib.mjs .* name it .js' "$work/findings.txt" ||
    fail "no warning with advice for lib.mjs"
! "$cmake" -S "$source_dir" -B "$work/checked" -DVELMORIN_DEMO_CHECK=strict >"$work/strict.log" 2>&1 ||
    fail "a strict check let a demo with warnings through"
# CMake wraps its messages at any space.
tr -s ' \n' '  ' <"$work/strict.log" | grep -q "does not pass its check" ||
    { cat "$work/strict.log" >&2; fail "the strict check did not say why it stopped"; }

echo "demo folder: all checks passed"
