#!/bin/sh
# The bundled demo played through while a viewer's hands do what they like:
# Enter on the launch dialog, then, until the demo ends by itself, one random
# action every 0.3 to 2 s: keys a viewer might press, F11, mouse moves,
# clicks, right-clicks and wheel turns over the page, a resize and a move
# while the window is not full screen, the focus taken to another window and
# given back, the window minimised and restored. Never the keys that end the
# program (Escape, Ctrl-Q, Alt-F4): the demo ends itself.
#
# On a 1024 x 768 Xvfb screen under openbox, with a D-Bus session as on a
# desktop and the sound going to a PulseAudio null sink that is recorded.
# All through the run:
#
# - the program stays alive until the demo's end;
# - each F11 changes the window's geometry within 2 s;
# - screenshots 5 s apart differ, but for those taken while minimised;
# - every 5 s window of the sound, from its first sound + 2 s to the demo's
#   end - 5 s, is above -40 dBFS;
# - the program's own process writes no GLib critical or warning.
#
# At the end the demo ends itself with status 0, no later than its timeline's
# length + 15 s (the play-through check's bound on its start) + 5 s after
# Play.
#
# The actions are drawn from a seed, printed first; VELM_MONKEY_SEED=N plays
# the same actions again (their timing follows the machine).
#
# usage: monkey_test.sh PROGRAM
set -eu
. "$(dirname "$0")/viewer.sh"

# How much earlier than its timeline's length the demo may end, in seconds.
end_tolerance=3
# Added to the longest start for a demo that had to answer a viewer all along.
input_allowance=5
f11_limit=2
shot_interval=5

if [ "${1:-}" != --inside ]; then
    need xvfb-run openbox xdotool xprop xwininfo xmessage import compare sox node gdb dbus-run-session
    run_seeded "$1" "plays the same actions again"
fi
program_file=$2 seed=$3
make_work monkey
demo_end=$(timeline_end "$program_file")
deadline=$(calc "$demo_end + $longest_start + $input_allowance")
echo "the demo's timeline ends at $demo_end s; it must end by $deadline s after Play"

start_openbox
# The window the focus is taken to: small, in a corner, with no buttons
# that a stray key could press.
xmessage -geometry +0+0 -buttons "" "another program" >"$work/xmessage.log" 2>&1 &
server="$! $server"
find_other() { other=$(xdotool search --onlyvisible --class xmessage 2>/dev/null | head -n 1); [ -n "$other" ]; }
if ! wait_for 30 find_other; then
    cat "$work/xmessage.log" >&2
    xwininfo -root -tree | grep -i xmessage >&2 || true
    fail "the other window did not appear"
fi

start_recorder
launch_player "$program_file"
pid=$program
echo "player window $player, pid $pid"

# One line of numbers an action.
draw_numbers "$seed" 2000 "$work/plan"
# pick FRACTION WORD...: the word a fraction in [0, 1) picks.
pick() { shift "$(calc "int($1 * ($# - 1)) + 1")" && echo "$1"; }
# between FRACTION LOW HIGH: a whole number in [LOW, HIGH].
between() { calc "int($2 + $1 * ($3 - $2 + 1))"; }

# unanswered WHAT: the UI did not answer; where the program is goes to the
# output, and the run stops there.
unanswered() {
    problem "$1"
    show_stacks
    kill "$program"
    collect_status
    hung=yes
}
# The moment the program ends, counted from Play, is written down by a
# watcher of its own, so that the driver may sleep between actions.
(
    while ! process_ended "$pid"; do sleep 0.2; done
    calc "$(now) - $play" >"$work/ended"
) &
server="$! $server"
ended() { [ -e "$work/ended" ]; }

shown=yes  # yes, away (another window has the focus) or minimised
shots=0 last_shot=$play counts="" f11_times=""
shoot() {
    shots=$((shots + 1))
    import -window root "$work/shot-$shots.ppm"
    echo "$shots $shown" >>"$work/shots"
    last_shot=$(now)
}

# point FRACTION FRACTION: moves the pointer to a place over the page.
point() {
    set -- "$1" "$2" $(geometry_of "$player" | tr ',x' '  ')
    # A window's own title bar (about 50 pixels) is left alone: its menu
    # holds Quit.
    top=0
    full_screen "$player" || top=60
    xdotool mousemove "$(calc "int($3 + 10 + $1 * ($5 - 20))")" \
        "$(calc "int($4 + $top + $2 * ($6 - $top - 10))")"
}

# act R2 R3 R4: one action drawn from the three numbers; $action names it,
# and $detail tells which key.
act() {
    detail=""
    if [ "$shown" != yes ]; then
        # Another window has the focus or the player is minimised: the
        # viewer comes back to it.
        action=$([ "$shown" = away ] && echo back || echo restore)
        xdotool windowactivate "$player"
        wait_for 5 active || problem "the player could not be brought back ($action)"
        shown=yes
        return
    fi
    action=$(pick "$1" key key key key key key f11 f11 move move move click click right \
        wheel wheel resize move_window away minimise)
    if full_screen "$player"; then
        case $action in resize | move_window) action=key ;; esac
    fi
    case $action in
    key) detail=$(pick "$2" $viewer_keys); xdotool key "$detail" ;;
    f11)
        before=$(geometry_of "$player")
        moved() { [ "$(geometry_of "$player")" != "$before" ]; }
        xdotool key F11
        within "$f11_limit" moved || { unanswered "F11 left the window at $before for $f11_limit s"; return; }
        f11_times="$f11_times $took"
        ;;
    move) point "$2" "$3" ;;
    click) point "$2" "$3" && xdotool click 1 ;;
    right) point "$2" "$3" && xdotool click 3 ;;
    wheel) point "$2" "$3" && xdotool click --repeat "$(between "$3" 1 5)" "$(pick "$2" 4 5)" ;;
    resize) xdotool windowsize "$player" "$(between "$2" 320 1000)" "$(between "$3" 240 740)" ;;
    move_window) xdotool windowmove "$player" "$(between "$2" 0 400)" "$(between "$3" 0 300)" ;;
    away)
        find_other || fail "the other window is gone"
        xdotool windowactivate "$other"
        shown=away
        ;;
    minimise) xdotool windowminimize "$player"; shown=minimised ;;
    esac
}

while read -r r1 r2 r3 r4 <&3; do
    holds "$(now) - $play <= $deadline" || break
    holds "$(now) - $last_shot < $shot_interval" || shoot
    sleep "$(calc "0.3 + 1.7 * $r1")"
    ended && break
    # An action whose window went away under it fails; the next round sees
    # why.
    act "$r2" "$r3" "$r4" || true
    [ -n "$program" ] || break
    counts="$counts $action"
    echo "$(calc "$(now) - $play") $action $detail" >>"$work/actions"
done 3<"$work/plan"

[ -z "$program" ] || wait_for 2 ended || unanswered "the demo had not ended $deadline s after Play"
stop_recorder
heard=$(first_sound)
if [ -z "${hung:-}" ] && ended; then
    [ -z "$program" ] || collect_status
    ended_after=$(cat "$work/ended")
    echo "the demo ended $ended_after s after Play, with status $status;" \
        "its sound began $heard s after Play"
    holds "$ended_after >= $demo_end - $end_tolerance" ||
        problem "the program ended $ended_after s after Play, before the demo's end"
    holds "$ended_after <= $deadline" ||
        problem "the demo ended $ended_after s after Play, later than $deadline s"
    [ "$status" = 0 ] || problem "the program ended with status $status"
fi

echo "$(echo $counts | wc -w) actions:" $(echo $counts | tr ' ' '\n' | sort | uniq -c | awk '{ print $2, $1 }' | paste -sd, -)
echo $f11_times | tr ' ' '\n' | sort -n | awk 'NF { t[++n] = $1 }
    END { if (n) print "F11 answered " n " times, in s: median " t[int((n + 1) / 2)] ", longest " t[n] }'

# Consecutive screenshots differ, unless either was taken while minimised.
same="" compared=0 least=""
while read -r shot shot_state; do
    if [ "$shot" -gt 1 ] && [ "$shot_state" != minimised ] && [ "$previous_state" != minimised ]; then
        differing=$(compare -metric AE "$work/shot-$((shot - 1)).ppm" "$work/shot-$shot.ppm" null: 2>&1) || true
        compared=$((compared + 1))
        { [ -z "$least" ] || [ "$differing" -lt "$least" ]; } && least=$differing
        [ "$differing" != 0 ] || same="$same $((shot - 1))-$shot"
    fi
    previous_state=$shot_state
done <"$work/shots"
echo "$shots screenshots, $compared pairs compared, the least differing by $least pixels"
[ -z "$same" ] || problem "the picture stood still between screenshots$same"

[ "$heard" != none ] || { problem "no sound was recorded after Play"; heard=0; }
heard_to_the_end "$heard"
echo "the quietest 5 s window of the sound: $quietest dBFS"

warnings=$(own_warnings "$pid")
[ -z "$warnings" ] || problem "the program wrote GLib warnings: $warnings"

if [ -n "$failed" ]; then
    echo "the actions (seconds after Play, action, window):" >&2
    cat "$work/actions" >&2
    fail "seed $seed: see above"
fi
echo "seed $seed: the demo played through under a viewer's hands"
