# Helpers shared by the packaging checks, beside those of the desktop
# checks; sourced, not run.
. "$(dirname "$0")/../desktop/common.sh"

# logged LOG MESSAGE COMMAND...: runs the command with its output in
# $work/LOG; when it fails, the log's end is shown and the check fails with
# MESSAGE.
logged() {
    log="$work/$1" message=$2
    shift 2
    "$@" >"$log" 2>&1 || { tail -n 40 "$log" >&2; fail "$message"; }
}

# run_selftest PROGRAM OUTPUT: runs the program in self-test mode on the
# current display, keeps its standard output in OUTPUT and checks that it
# exited 0 with exactly the two report lines.
run_selftest() {
    [ -n "${DISPLAY:-}" ] || fail "no DISPLAY: run the tests under Xvfb (xvfb-run -a ctest ...)"
    [ -x "$1" ] || fail "$1 is not an executable"
    VELM_SELFTEST=1 timeout 90 "$1" >"$2" 2>"$2.stderr" ||
        { status=$?; tail -n 20 "$2.stderr" >&2; fail "$1 exited with $status in self-test mode"; }
    echo "$1:"
    sed 's/^/    /' "$2"
    [ "$(wc -l <"$2")" -eq 2 ] || fail "expected two report lines from $1"
    sed -n 1p "$2" | grep -Eq '^selftest page: \{.*\}$' ||
        fail "the first line is not the page probe's JSON object"
    sed -n 2p "$2" | grep -Eq '^selftest lit pixels: [0-9]+\.[0-9] %$' ||
        fail "the second line is not a lit pixel share"
}

# The PNG's width and height from its IHDR chunk, as "WxH".
png_size() {
    [ "$(od -An -tx1 -N8 "$1" | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$1 is not a PNG"
    od -An -tu4 --endian=big -j16 -N8 "$1" | awk '{ print $1 "x" $2 }'
}

# check_layout ROOT APP_ID DEMO_DIR: the installed bundle under ROOT has the
# program, the demo as it is in DEMO_DIR, the desktop entry, the metadata and
# every icon, and its desktop entry and metadata pass their validators.
check_layout() {
    root=$1 app_id=$2 demo_dir=$3
    [ -x "$root/bin/velmorin-hd" ] || fail "$root/bin/velmorin-hd is missing"
    [ -f "$root/$VELMORIN_MEDIA_DOOR" ] || fail "the media door $root/$VELMORIN_MEDIA_DOOR is missing"
    diff -r "$demo_dir" "$root/share/velmorin-hd/demo" ||
        fail "$root/share/velmorin-hd/demo differs from $demo_dir"
    desktop="$root/share/applications/$app_id.desktop"
    metainfo="$root/share/metainfo/$app_id.metainfo.xml"
    for file in "$desktop" "$metainfo"; do [ -f "$file" ] || fail "$file is missing"; done
    icons="$root/share/icons/hicolor"
    grep -q '<svg' "$icons/scalable/apps/$app_id.svg" || fail "the scalable icon is missing"
    for size in 48x48 128x128 256x256; do
        png="$icons/$size/apps/$app_id.png"
        [ -f "$png" ] || fail "$png is missing"
        [ "$(png_size "$png")" = "$size" ] || fail "$png is $(png_size "$png"), not $size"
    done

    # The entry starts the program by name, shows its icon and matches the
    # window class, which is the application id.
    for line in "Type=Application" "Name=Velmorin HD" "Exec=velmorin-hd" "Icon=$app_id" \
        "StartupWMClass=$app_id" "Terminal=false" \
        "Comment=Quorvane, 1992. A non-commercial tribute, humbly done by vok."; do
        grep -qxF "$line" "$desktop" || fail "$desktop lacks the line $line"
    done
    report=$(desktop-file-validate "$desktop" 2>&1) && ! printf '%s\n' "$report" | grep -Eq 'error|warning' ||
        fail "desktop-file-validate: $report"
    echo "desktop-file-validate $desktop: ${report:-no remarks}"

    report=$(appstreamcli validate --no-net --pedantic "$metainfo" 2>&1) || fail "appstreamcli: $report"
    echo "appstreamcli validate: $report"
    grep -qF "<id>$app_id</id>" "$metainfo" || fail "the metadata names another id"
    grep -qF "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
        fail "the metadata does not launch the desktop entry"
}

# check_link_out ROOT CLIP OUTPUT: the bundle under ROOT plays a page of the
# test's own, in place of its demo's start page, with the WAV file CLIP in
# its demo folder, a link inside the folder to it, and a link to a copy of it
# outside the folder but beside it, under share/velmorin-hd/. The clip and
# the link inside play; the link out fails with error 4, whatever the
# engine's sandbox shows of that folder (from /usr it shows /usr/share). The
# demo folder is given back as it was.
check_link_out() {
    root=$1 clip=$2 output=$3
    demo="$root/share/velmorin-hd/demo" beside="$root/share/velmorin-hd/link-out-beside.wav"
    [ ! -e "$demo/index.html" ] || mv "$demo/index.html" "$demo/index.html.link-out"
    cp "$clip" "$demo/link-out-clip.wav"
    cp "$clip" "$beside"
    ln -s link-out-clip.wav "$demo/link-out-in.wav"
    ln -s ../link-out-beside.wav "$demo/link-out-out.wav"
    cat >"$demo/index.html" <<'PAGE'
<!doctype html>
<html><head><meta charset="utf-8"><title>links</title></head><body><p id="text">waiting</p>
<script>
const names = ['clip', 'in', 'out'];
const heard = {};
for (const name of names) {
    const audio = new Audio('link-out-' + name + '.wav');
    audio.onloadedmetadata = () => show(name, 'loaded');
    audio.onerror = () => show(name, 'error ' + audio.error.code);
}
function show(name, outcome) {
    heard[name] = outcome;
    document.getElementById('text').textContent = names.map(n => n + ' ' + heard[n]).join(', ');
}
</script></body></html>
PAGE
    # In a subshell of its own, so that the folder is given back when it fails.
    status=0
    (run_selftest "$root/bin/velmorin-hd" "$output") || status=$?
    rm -f "$demo/index.html" "$demo"/link-out-*.wav "$beside"
    [ ! -e "$demo/index.html.link-out" ] || mv "$demo/index.html.link-out" "$demo/index.html"
    [ "$status" -eq 0 ] || exit "$status"
    sed -n 1p "$output" | grep -qF '"text":"clip loaded, in loaded, out error 4"' ||
        fail "$root: a link out of the demo folder is not refused as the others are served"
}
