#!/bin/sh
# Escape, the demo's own key, and Ctrl-Q, the program's, end the program at
# any moment a viewer may press them: each run plays the demo (Enter on the
# launch dialog, full screen) and presses the key at a random moment of its
# kind, and the program must end with status 0 within 2 s of the key.
#
#   load       while the page loads its scripts, pictures and sound
#   scene      during a scene
#   f11        right after F11
#   resize     right after a resize of the window, out of full screen
#   minimised  the window minimised, then restored, then the key
#   busy       during a scene, with a second core kept busy by the check
#   keys       after every key a viewer may press, each once, ten a second,
#              during a scene
#
# Then a page whose script blocks its thread for 10 s: it cannot answer
# Escape (which shows that these runs can fail), but Ctrl-Q and closing the
# window (Alt-F4, openbox's Close) must still end the program within 2 s.
#
# A run that does not end in time has the stacks of the program's threads
# written to the output before it is ended. On a 1024 x 768 Xvfb screen under
# openbox, with a D-Bus session and the sound going to a PulseAudio null
# sink. The moments are drawn from a seed, printed first;
# VELM_MONKEY_SEED=N draws the same ones again.
#
# usage: escape_test.sh PROGRAM
set -eu
. "$(dirname "$0")/viewer.sh"

key_limit=2
# How long a page of the planted fault keeps its thread, in seconds.
block=10

if [ "${1:-}" != --inside ]; then
    need xvfb-run openbox xdotool xprop gdb dbus-run-session
    run_seeded "$1" "draws the same moments again"
fi
program_file=$2 seed=$3
make_work escape
start_openbox

# Copies of the program and its demo: one whose start page shows when it is
# read, one whose page blocks its thread once loaded.
make_bundle "$program_file" "$work/demo"
make_bundle "$program_file" "$work/blocking"
set_start_page "$work/blocking" "<!doctype html>
<html><head><style>html, body { background: #000; }</style></head><body><script>
addEventListener('keydown', (event) => {
  if (event.key === 'Escape') document.title = 'vantorelix_exit';
});
addEventListener('load', () => setTimeout(() => {
  const end = Date.now() + $block * 1000;
  while (Date.now() < end) {}
}, 300));
</script></body></html>"

# One line of numbers a run.
draw_numbers "$seed" 20 "$work/draws"
runs=0
# moment N LOW HIGH: the run's Nth random number as a number in [LOW, HIGH).
moment() {
    calc "$2 + ($3 - $2) * $(sed -n "${runs}p" "$work/draws" | cut -d' ' -f"$1")"
}

not_full_screen() { ! full_screen "$player"; }

# prepare MOMENT BUNDLE: plays the bundle's demo and brings it to the moment.
prepare() {
    set_start_page "$2" "$(cat "$2/share/velmorin-hd/demo/index.html")"
    launch_player "$2/bin/velmorin-hd"
    case $1 in
    load | blocked) wait_for 30 start_page_read "$2" || fail "the start page was never read" ;;
    scene | busy) sleep "$(moment 1 3 10)" ;;
    *) sleep "$(moment 1 3 8)" ;;
    esac
    case $1 in
    load) sleep "$(moment 1 0.2 1.2)" ;;
    blocked) sleep 1.5 ;;
    keys)
        # At a quick viewer's pace, not xdotool's: the engine hands the page
        # a key only once it has answered the one before, here about one a
        # frame, so the 58 keys sent as fast as xdotool can (about 2 s)
        # would queue up ahead of the Escape for about as long again.
        for key in $viewer_keys; do xdotool key "$key"; sleep 0.1; done
        ;;
    f11) xdotool key F11; sleep "$(moment 2 0 0.3)" ;;
    resize)
        xdotool key F11
        wait_for 5 not_full_screen || fail "F11 did not leave full screen"
        xdotool windowsize "$player" "$(calc "int($(moment 3 320 1000))")" \
            "$(calc "int($(moment 4 240 740))")"
        sleep "$(moment 2 0 0.3)"
        ;;
    minimised)
        xdotool windowminimize "$player"
        sleep "$(moment 2 0.5 2)"
        xdotool windowactivate "$player"
        wait_for 5 active || fail "the minimised window could not be restored"
        ;;
    esac
}

hog=""
trap 'kill $hog $program $server 2>/dev/null; rm -rf "$work"' EXIT

# run MOMENT KEY EXPECTED [BUNDLE]: one run; EXPECTED is "ends" or, for the
# planted fault's Escape, "unanswered".
run() {
    runs=$((runs + 1))
    bundle=${4:-$work/demo}
    # A busy run has a second core kept busy, as by a build beside the demo.
    [ "$1" != busy ] || { sh -c 'while :; do :; done' & hog=$!; }
    prepare "$1" "$bundle"
    at=$(calc "$(now) - $play")
    xdotool key "$2"
    if ended_within "$key_limit"; then
        collect_status
        result="ended in $took s, status $status"
        [ "$3" = ends ] || problem "$1 $2: the blocked page answered ($result)"
        [ "$status" = 0 ] || problem "$1 $2: the program ended with status $status"
    elif [ "$3" = unanswered ]; then
        result="unanswered for $key_limit s, as a blocked page must be"
        xdotool key ctrl+q
        ended_within 5 || kill "$program"
        collect_status
    else
        problem "$1 $2: the program was still running $key_limit s after the key"
        show_stacks
        # A slow end is told apart from a hang.
        if ended_within 10; then
            result="ended only after $(calc "$key_limit + $took") s"
        else
            result="hung"
            kill "$program"
        fi
        collect_status
    fi
    [ -z "$hog" ] || { kill "$hog"; wait "$hog" 2>/dev/null || true; hog=""; }
    printf '%-10s %-7s at %5.1f s after Play: %s\n' "$1" "$2" "$at" "$result"
}

# One row a run, MOMENT:KEY; each run takes the next line of numbers drawn
# from the seed.
for row in load:Escape load:Escape scene:Escape scene:ctrl+q f11:Escape f11:Escape resize:Escape \
    minimised:Escape busy:Escape busy:ctrl+q keys:Escape; do
    run "${row%:*}" "${row#*:}" ends
done

step "a page that blocks its thread for $block s"
run blocked Escape unanswered "$work/blocking"
run blocked ctrl+q ends "$work/blocking"
run blocked alt+F4 ends "$work/blocking"

[ -z "$failed" ] || fail "seed $seed: see above"
echo "seed $seed: Escape and Ctrl-Q ended every run within $key_limit s, and Ctrl-Q and Close a blocked page's"
