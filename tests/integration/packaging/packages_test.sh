#!/bin/sh
# Makes the .deb and the .tar.gz from the current build, unpacks each into a
# folder of its own and checks that the program there plays its bundled demo.
#
# usage: packages_test.sh CPACK BUILD_DIR DEMO_DIR APP_ID VERSION
set -eu
. "$(dirname "$0")/common.sh"
cpack=$1 build=$2 demo_dir=$3 app_id=$4 version=$5
make_work packages

step "cpack"
logged cpack.log "cpack failed" "$cpack" --config "$build/CPackConfig.cmake" -B "$work/packages"
# A pattern that matches nothing stays as it is, and is no file.
set -- "$work"/packages/*.deb "$work"/packages/*.tar.gz
[ $# -eq 2 ] && [ -f "$1" ] && [ -f "$2" ] || fail "expected one .deb and one .tar.gz, found: $*"
deb=$1 tgz=$2
ls -l "$deb" "$tgz"

step "the .deb's control fields"
dpkg-deb --field "$deb" Package Version Architecture Section Maintainer Depends Recommends Homepage
[ "$(dpkg-deb --field "$deb" Package)" = velmorin-hd ] || fail "the package is not named velmorin-hd"
case "$(dpkg-deb --field "$deb" Version)" in
    "$version" | "$version"-*) ;;
    *) fail "the package version is not $version" ;;
esac
[ "$(dpkg-deb --field "$deb" Architecture)" = "$(dpkg --print-architecture)" ] ||
    fail "the package is not for $(dpkg --print-architecture)"
# lists FIELD PACKAGE...: fails unless the .deb's FIELD names each package.
lists() {
    field=$1
    shift
    for package in "$@"; do
        dpkg-deb --field "$deb" "$field" | tr ',' '\n' | grep -Eq "^ *$package( |$)" ||
            fail "$field lacks $package"
    done
}
# The dependencies come from the libraries the program links, so the two
# toolkits must be among them; the engine's recommended media plugins come
# with the player, as they do with WebKitGTK installed the usual way.
lists Depends libgtk-4-1 libwebkitgtk-6.0-4 libc6
lists Recommends gstreamer1.0-libav gstreamer1.0-plugins-bad
# Every dependency is one this release has: apt would install the package.
apt-get install --simulate -q "$deb" >"$work/apt.out" 2>&1 ||
    fail "apt-get cannot install the .deb here: $(tail -n 5 "$work/apt.out")"

step "the .deb unpacked"
dpkg -x "$deb" "$work/deb"
# Everything is under /usr; nothing lands anywhere else.
[ "$(ls -A "$work/deb")" = usr ] || fail "the .deb installs outside /usr: $(ls -A "$work/deb")"
check_layout "$work/deb/usr" "$app_id" "$demo_dir"

step "the build tree holds the icons as the .deb installs them"
# The program run from the build tree finds them at the same place beside it.
diff -r "$work/deb/usr/share/icons" "$build/share/icons" ||
    fail "the build tree's icons differ from the installed ones"

step "the program from the .deb plays its demo"
run_selftest "$work/deb/usr/bin/velmorin-hd" "$work/deb.out"
# Without its demo the same program shows something else: what it showed was
# the bundled page.
mv "$work/deb/usr/share/velmorin-hd/demo" "$work/demo-aside"
run_selftest "$work/deb/usr/bin/velmorin-hd" "$work/no-demo.out"
[ "$(sed -n 1p "$work/deb.out")" != "$(sed -n 1p "$work/no-demo.out")" ] ||
    fail "the program shows the same page with and without its demo"
mv "$work/demo-aside" "$work/deb/usr/share/velmorin-hd/demo"

step "media behind a link out of the demo folder fail, from the .deb's layout"
check_link_out "$work/deb/usr" "$here/../../data/media/tone-440.wav" "$work/deb-links.out"
diff -r "$demo_dir" "$work/deb/usr/share/velmorin-hd/demo" || fail "the demo was not given back"

step "the .tar.gz unpacked"
mkdir "$work/tgz"
tar -xzf "$tgz" -C "$work/tgz"
set -- "$work"/tgz/*
[ $# -eq 1 ] && [ -d "$1" ] || fail "the .tar.gz does not hold one folder"
bundle=$1
[ "$(basename "$bundle")" = "$(basename "$tgz" .tar.gz)" ] ||
    fail "the folder in the .tar.gz is not named like the archive"
diff -r "$work/deb/usr" "$bundle" || fail "the .tar.gz and the .deb hold different files"

step "the bundle from the .tar.gz plays from where it was unpacked"
# A page of the test's own in this bundle shows that the program reads the
# demo beside itself, not the one from the .deb or the build tree.
moved="$work/elsewhere/velmorin hd"
mkdir -p "$work/elsewhere"
mv "$bundle" "$moved"
rm -r "$moved/share/velmorin-hd/demo"
mkdir "$moved/share/velmorin-hd/demo"
cat >"$moved/share/velmorin-hd/demo/index.html" <<'PAGE'
<!doctype html>
<html><head><meta charset="utf-8"><title>relocated</title></head>
<body style="margin:0;background:#fff;color:#000">
<p id="caption">relocated bundle page</p><canvas width="320" height="200"></canvas>
<audio src="tone.ogg" autoplay ontimeupdate="if (this.currentTime > 0.2)
    document.getElementById('caption').textContent = 'relocated bundle page playing'"></audio>
</body></html>
PAGE
# Its media play from where it was unpacked too (the path has a space).
cp "$here/../../data/media/tone-440.ogg" "$moved/share/velmorin-hd/demo/tone.ogg"
run_selftest "$moved/bin/velmorin-hd" "$work/tgz.out"
# innerText ends a paragraph with line breaks.
sed -n 1p "$work/tgz.out" | grep -Eq '"text":"relocated bundle page playing(\\n)*"' ||
    fail "the unpacked bundle did not show its own page"
sed -n 1p "$work/tgz.out" | grep -qF '"canvas":[320,200]' ||
    fail "the unpacked bundle's page has not its canvas"

step "media behind a link out of the demo folder fail, from the unpacked .tar.gz"
check_link_out "$moved" "$here/../../data/media/tone-440.wav" "$work/tgz-links.out"

echo "packages: all checks passed"
