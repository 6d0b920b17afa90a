# Helpers shared by the desktop checks; sourced, not run.

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

step() {
    echo "== $*"
}

# wait_for SECONDS COMMAND...: runs the command every 0.2 s until it
# succeeds; false when the time runs out first.
wait_for() {
    wait_limit=$(($1 * 5))
    shift
    wait_tries=0
    until "$@"; do
        wait_tries=$((wait_tries + 1))
        [ "$wait_tries" -lt "$wait_limit" ] || return 1
        sleep 0.2
    done
}

# make_bundle PROGRAM FOLDER: a bundle of its own in FOLDER, readable by
# everyone: a copy of the program and of its built demo, whose start page a
# check may then replace.
make_bundle() {
    mkdir -p "$2/bin" "$2/share/velmorin-hd"
    cp "$1" "$2/bin/velmorin-hd"
    cp -R "$(dirname "$1")/../share/velmorin-hd/demo" "$2/share/velmorin-hd/demo"
    chmod -R a+rX "$2"
}

# set_start_page BUNDLE HTML: makes HTML the bundle's start page. Its access
# time is set before its change time, so that the file system records the
# first read of it from then on (see start_page_read).
set_start_page() {
    page="$1/share/velmorin-hd/demo/index.html"
    printf '%s\n' "$2" >"$page"
    chmod a+r "$page"
    touch -a -d '2000-01-01 00:00:00' "$page"
}

# start_page_read BUNDLE: whether the start page was read since it was set.
start_page_read() {
    [ "$(stat -c %X "$1/share/velmorin-hd/demo/index.html")" -gt 946771200 ]
}

# A page that shows the view's size and pixel ratio as its text, white on
# its left half and black on its right: the self-check then reads back the
# size the page had, and a snapshot of the whole view at any scale is exactly
# half lit.
size_page='<!DOCTYPE html><html><head><meta charset="utf-8"><style>
html, body { margin: 0; background: #000; color: #000; }
div { position: fixed; left: 0; top: 0; width: 50%; height: 100%; background: #fff; }
</style></head><body><span id="size"></span><div></div><script>
document.getElementById("size").textContent =
    innerWidth + "x" + innerHeight + " @" + devicePixelRatio;
</script></body></html>'

# page_ending_at_size WIDTH HEIGHT: a page that ends the program once its
# view has had exactly this size for 2 s, and keeps it running otherwise.
page_ending_at_size() {
    cat <<PAGE
<!DOCTYPE html><html><head><meta charset="utf-8"><style>
body { background: #000; color: #fff; }</style></head><body><p>sizing</p><script>
let held = 0;
setInterval(() => {
    held = innerWidth === $1 && innerHeight === $2 ? held + 1 : 0;
    if (held >= 20) { document.title = "vantorelix_exit"; }
}, 100);
</script></body></html>
PAGE
}

staying_page='<!DOCTYPE html><html><head><meta charset="utf-8"><style>
body { background: #000; color: #fff; }</style></head><body><p>playing</p></body></html>'
