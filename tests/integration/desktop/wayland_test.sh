#!/bin/sh
# The real program on Wayland, where GTK and WebKitGTK take other paths than
# on X11: the compositor alone places windows and makes them full screen, and
# keys come through its own seat. Headless Weston runs the self-check; headless
# sway answers the launch dialog with keys (wtype) and reports the player
# window's state (swaymsg).
#
# usage: wayland_test.sh PROGRAM APP_ID
#
# Compositors built on wlroots, sway among them, refuse to run as root, so
# run as root the script runs both compositors and every program as an
# unprivileged user of its own, created when it is missing.
set -eu
. "$(dirname "$0")/common.sh"

app_id=$2
user=velmorin-wl
run_timeout=120
need weston sway swaymsg wtype python3 setpriv

as_user="" owner=$(id -un)
if [ "$(id -u)" -eq 0 ]; then
    id -u "$user" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$user"
    as_user="setpriv --reuid=$user --regid=$user --clear-groups" owner=$user
fi

make_work wayland
chmod 755 "$work"
runtime="$work/runtime" bundle="$work/bundle"
install -d -m 0700 -o "$owner" "$runtime" "$work/home"
make_bundle "$1" "$bundle"

# Every child gets only this environment: no X display, so the program can
# only be on Wayland, and a runtime folder of the session's own.
cat >"$work/session" <<SESSION
#!/bin/sh
exec $as_user env -i PATH="$PATH" HOME="$work/home" LANG="${LANG:-C.UTF-8}" \
    XDG_RUNTIME_DIR="$runtime" \
    ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}" UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" \
    \${WAYLAND_DISPLAY:+WAYLAND_DISPLAY=\$WAYLAND_DISPLAY} \${SWAYSOCK:+SWAYSOCK=\$SWAYSOCK} "\$@"
SESSION
chmod 755 "$work/session"

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

page_head='<!DOCTYPE html><html><head><meta charset="utf-8"><style>
body { background: #000; color: #fff; }</style></head><body>'
staying_page="$page_head<p>playing</p></body></html>"
clip_page='<!DOCTYPE html><html><body style="margin:0;background:#fff"><div id="c">clip</div>
<audio id="a" src="tone.ogg" autoplay></audio><script>
document.getElementById("a").ontimeupdate = event => {
    if (event.target.currentTime > 0.2) document.getElementById("c").textContent = "clip playing";
};
</script></body></html>'

# page_ending_at_size WIDTH HEIGHT: a page that ends the program once its
# view has had exactly this size for 2 s, and keeps it running otherwise.
page_ending_at_size() {
    echo "$page_head<p>sizing</p><script>
let held = 0;
setInterval(() => {
    held = innerWidth === $1 && innerHeight === $2 ? held + 1 : 0;
    if (held >= 20) { document.title = \"vantorelix_exit\"; }
}, 100);
</script></body></html>"
}

# socket_ready PATTERN: prints the name of a socket in the runtime folder.
socket_ready() { for s in "$runtime"/$1; do [ -S "$s" ] && basename "$s" && return 0; done; return 1; }

start_weston() {
    "$work/session" weston --backend=headless-backend.so --socket=velmorin-weston \
        --width=1920 --height=1080 --idle-time=0 >"$work/weston.log" 2>&1 &
    server=$!
    wait_for 30 socket_ready velmorin-weston >/dev/null || { cat "$work/weston.log" >&2; fail "weston did not start"; }
    export WAYLAND_DISPLAY=velmorin-weston
}

start_sway() {
    # sway tiles windows by default, which would give the player whatever
    # share of the output the layout leaves: the rule makes it float, so it
    # gets the size it asks for, as a window does on a floating desktop.
    cat >"$work/sway.conf" <<CONFIG
output * resolution 1920x1080
xwayland disable
for_window [app_id="^$(printf %s "$app_id" | sed 's/\./\\\\./g')\$"] floating enable
CONFIG
    "$work/session" env WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
        sway -c "$work/sway.conf" >"$work/sway.log" 2>&1 &
    server=$!
    wait_for 30 socket_ready 'wayland-[0-9]' >/dev/null && wait_for 30 socket_ready 'sway-ipc.*' >/dev/null ||
        { cat "$work/sway.log" >&2; fail "sway did not start"; }
    export WAYLAND_DISPLAY="$(socket_ready 'wayland-[0-9]')" SWAYSOCK="$runtime/$(socket_ready 'sway-ipc.*')"
    set -- $(sway_ipc -t get_outputs |
        python3 -c 'import json, sys; r = json.load(sys.stdin)[0]["rect"]; print(r["width"], r["height"])')
    output_width=$1 output_height=$2
}

stop_compositor() { kill "$server"; wait "$server" 2>/dev/null || true; server=""; unset WAYLAND_DISPLAY SWAYSOCK; }

sway_ipc() { "$work/session" swaymsg "$@"; }
# A virtual keyboard's first keys are lost unless it waits a moment.
type_keys() { "$work/session" wtype -s 400 "$@"; }

# The program's windows as sway sees them, one line each: type (con or
# floating_con), full screen mode (0 or 1), then x, y, width and height.
program_windows() {
    sway_ipc -t get_tree | python3 -c '
import json, sys
pid = int(sys.argv[1])
def walk(node):
    if node.get("pid") == pid:
        r = node["rect"]
        print(node["type"], node["fullscreen_mode"], r["x"], r["y"], r["width"], r["height"])
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        walk(child)
walk(json.load(sys.stdin))' "$program"
}

has_window() { [ -n "$(program_windows)" ]; }

# player_window CONDITION: some window of the program passes the awk
# CONDITION on its line of program_windows, with w and h the output's size.
player_window() {
    program_windows | awk -v w="$output_width" -v h="$output_height" "$1 { found = 1 } END { exit !found }"
}
full_screen_player() { player_window '$2 == 1 && $3 == 0 && $4 == 0 && $5 == w && $6 == h'; }
# A floating window, not full screen, at least as large as the view it holds
# and smaller than the output: the dialog is far smaller.
windowed_player() {
    player_window '$1 == "floating_con" && $2 == 0 && $5 >= w * 3 / 4 && $6 >= h * 3 / 4 && $5 < w && $6 < h'
}

start_bundle() { start_program "$work/session" "$@" "$bundle/bin/velmorin-hd"; }
report_line() { sed -n "$1p" "$work/out"; }

# selftest PAGE_LINE LIT_LINE: the self-check of the bundle's start page
# prints exactly these two lines; an empty PAGE_LINE is not compared, an
# empty LIT_LINE only asks for a lit share above zero. The probe comes 4 s
# after the start page was asked for, when an engine slow to start on a busy
# machine may still show the blank document before it. Every page here has
# text, so such a run says nothing and is made again, up to eight in all.
selftest() {
    for attempt in 1 2 3 4 5 6 7 8; do
        start_bundle VELM_SELFTEST=1
        finish_program "$run_timeout"
        sed 's/^/    /' "$work/out"
        [ "$(report_line 1)" = 'selftest page: {"text":"","buttons":0,"canvas":null}' ] &&
            [ "$attempt" -lt 8 ] || break
        echo "    (the page was not shown yet at the probe; running again)"
    done
    [ "$(wc -l <"$work/out")" -eq 2 ] || fail "expected two report lines"
    [ -z "$1" ] || [ "$(report_line 1)" = "$1" ] || fail "the first line should be: $1"
    [ -z "$2" ] || [ "$(report_line 2)" = "$2" ] || fail "the second line should be: $2"
    [ -n "$2" ] || report_line 2 | grep -Eq '^selftest lit pixels: ([1-9][0-9]*\.[0-9]|0\.[1-9]) %$' ||
        fail "the snapshot shows nothing lit"
}

# size_selftest SCALE: the self-check of size_page at this pixel ratio.
size_selftest() {
    set_start_page "$bundle" "$size_page"
    selftest "selftest page: {\"text\":\"640x360 @$1\",\"buttons\":0,\"canvas\":null}" 'selftest lit pixels: 50.0 %'
}

# dialog PAGE KEYS...: with PAGE as the start page, starts the program and
# answers its dialog with wtype KEYS.
dialog() {
    set_start_page "$bundle" "$1"
    shift
    start_bundle
    wait_for "$run_timeout" has_window || fail "no launch dialog appeared"
    type_keys "$@"
}

# watch_player CONDITION: the program ends with status 0 within the run
# time, and before that the CONDITION command held at least once.
watch_player() {
    seen=no
    look() { if $1; then seen=yes; fi; process_ended "$program"; }
    wait_for "$run_timeout" look "$1" || true
    finish_program 1
    [ "$seen" = yes ] || fail "the program never showed a window that passes $1"
}

# ends_quietly: the program ends with status 0 within 30 s, silent on stdout.
ends_quietly() {
    finish_program 30
    [ ! -s "$work/out" ] || fail "the program wrote to standard output"
}

# quits_before_page KEYS...: answering the dialog with KEYS ends the program
# with no player window and no request for the start page.
quits_before_page() {
    dialog "$staying_page" "$@"
    ends_quietly
    ! start_page_read "$bundle" || fail "the start page was read after a quit answer"
}

# plays_then_ends HOW: plays full screen on a page that stays, then ends the
# program with HOW (a shell command).
plays_then_ends() {
    dialog "$staying_page" -k Return
    wait_for "$run_timeout" start_page_read "$bundle" ||
        fail "the start page was never read (or its file system records no reads: noatime?)"
    wait_for "$run_timeout" full_screen_player || fail "no full screen player appeared"
    eval "$1"
    ends_quietly
}

start_weston
# The session's home is new, so its shader cache is empty. With no GPU the
# first run's window compiles its shaders on the program's main thread, and
# for seconds nothing moves: on two cores, frames and timers stopped from
# 1.4 s after the page started until the probe came at 4 s. A page whose
# report does not depend on time runs first; a demo's first frames may be
# still black at that moment (its fade-in lasts 0.6 s).
demo_page=$(cat "$bundle/share/velmorin-hd/demo/index.html")
step "weston: the self-check of a page reporting its size"
size_selftest 1
step "weston: the self-check of the bundled demo"
set_start_page "$bundle" "$demo_page"
# The demo is whatever the build bundled: its report needs some text and a
# snapshot with something lit.
selftest '' ''
grep -Eq '^selftest page: \{"text":"[^"]' "$work/out" || fail "the probe found no text in the demo"
step "weston: a page's own clip plays from its app: URL"
install -m 0644 "$here/../../data/media/tone-440.ogg" "$bundle/share/velmorin-hd/demo/tone.ogg"
set_start_page "$bundle" "$clip_page"
selftest 'selftest page: {"text":"clip playing","buttons":0,"canvas":null}' ''
stop_compositor
start_sway
step "sway ${output_width}x$output_height: Enter plays full screen, filling the output"
dialog "$(page_ending_at_size "$output_width" "$output_height")" -k Return
watch_player full_screen_player
step "sway: Fullscreen unticked, Play gives a window whose view is 3/4 of the output"
dialog "$(page_ending_at_size $((output_width * 3 / 4)) $((output_height * 3 / 4)))" \
    -M shift -k Tab -m shift -s 150 -k space -s 150 -k Tab -s 150 -k Return
watch_player windowed_player
step "sway: Ctrl-Q in the player ends the program"
plays_then_ends 'type_keys -M ctrl -k q -m ctrl'
step "sway: closing the player window ends the program"
plays_then_ends 'sway_ipc "[pid=$program] kill" >/dev/null'
step "sway: Quit on the dialog ends the program before any page request"
quits_before_page -k Tab -s 150 -k space
step "sway: Escape on the dialog does the same"
quits_before_page -k Escape
step "sway at scale 2: the self-check of the page reporting its size"
sway_ipc output '*' scale 2 >/dev/null
size_selftest 2
echo "the player works on Wayland"
