# Helpers shared by the packaging checks; sourced, not run.

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

step() {
    echo "== $*"
}

# run_selftest PROGRAM OUTPUT: runs the program in self-test mode on the
# current display, keeps its standard output in OUTPUT and checks that it
# exited 0 with exactly the two report lines.
run_selftest() {
    program=$1
    output=$2
    [ -n "${DISPLAY:-}" ] || fail "no DISPLAY: run the tests under Xvfb (xvfb-run -a ctest ...)"
    [ -x "$program" ] || fail "$program is not an executable"
    status=0
    VELM_SELFTEST=1 timeout 90 "$program" >"$output" 2>"$output.stderr" || status=$?
    if [ "$status" -ne 0 ]; then
        tail -n 20 "$output.stderr" >&2
        fail "$program exited with $status in self-test mode"
    fi
    echo "$program:"
    sed 's/^/    /' "$output"
    [ "$(wc -l <"$output")" -eq 2 ] || fail "expected two report lines from $program"
    sed -n 1p "$output" | grep -Eq '^selftest page: \{.*\}$' ||
        fail "the first line is not the page probe's JSON object"
    sed -n 2p "$output" | grep -Eq '^selftest lit pixels: [0-9]+\.[0-9] %$' ||
        fail "the second line is not a lit pixel share"
}

# The PNG's width and height from its IHDR chunk, as "WxH".
png_size() {
    [ "$(od -An -tx1 -N8 "$1" | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$1 is not a PNG"
    width=$(od -An -tu4 --endian=big -j16 -N4 "$1" | tr -d ' ')
    height=$(od -An -tu4 --endian=big -j20 -N4 "$1" | tr -d ' ')
    echo "${width}x${height}"
}

# check_layout ROOT APP_ID DEMO_DIR: the installed bundle under ROOT has the
# program, the demo as it is in DEMO_DIR, the desktop entry, the metadata and
# every icon, and its desktop entry and metadata pass their validators.
check_layout() {
    root=$1
    app_id=$2
    demo_dir=$3
    [ -x "$root/bin/velmorin-hd" ] || fail "$root/bin/velmorin-hd is missing"
    [ -f "$root/lib/velmorin-hd/gstreamer-1.0/libgstvelmorinmedia.so" ] ||
        fail "the media plugin is missing from $root/lib/velmorin-hd/gstreamer-1.0"
    diff -r "$demo_dir" "$root/share/velmorin-hd/demo" ||
        fail "$root/share/velmorin-hd/demo differs from $demo_dir"
    desktop="$root/share/applications/$app_id.desktop"
    metainfo="$root/share/metainfo/$app_id.metainfo.xml"
    [ -f "$desktop" ] || fail "$desktop is missing"
    [ -f "$metainfo" ] || fail "$metainfo is missing"
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
    report=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $report"
    if printf '%s\n' "$report" | grep -Eq 'error|warning'; then
        fail "desktop-file-validate: $report"
    fi
    echo "desktop-file-validate $desktop: ${report:-no remarks}"

    report=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli: $report"
    echo "appstreamcli validate: $report"
    grep -qF "<id>$app_id</id>" "$metainfo" || fail "the metadata names another id"
    grep -qF "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
        fail "the metadata does not launch the desktop entry"
}
