# Helpers of the checks that play the demo as a viewer does, on an X server
# under openbox: the launch dialog answered, keys and the window driven with
# xdotool, the screen captured and the sound recorded from the null sink of
# tools/null-sink.sh. Sourced, not run; it brings common.sh along.
. "$(dirname "$0")/common.sh"

# The keys a viewer may press while the demo plays, but for F11 and those
# that end the program (Escape, Ctrl-Q, Alt-F4).
viewer_keys="a b c d e f g h i j k l m n o p q r s t u v w x y z 0 1 2 3 4 5 6 7 8 9 space Tab
Left Right Up Down Prior Next Home End Return F1 F2 F3 F4 F5 F6 F7 F8 F9 F10 F12"

now() { date +%s.%N; }

# problem WHAT: a finding, told at once; the check fails at its end, so one
# run shows every finding.
failed=""
problem() { echo "FAIL: $*" >&2; failed=yes; }

# draw_numbers SEED LINES FILE: four random numbers a line from the seed, so
# that the same seed draws the same numbers again.
draw_numbers() {
    awk -v seed="$1" -v lines="$2" \
        'BEGIN { srand(seed); for (i = 0; i < lines; i++) print rand(), rand(), rand(), rand() }' >"$3"
}
# calc EXPRESSION: its value, to the millisecond where it is not whole (awk
# would round a time of day to six digits); holds EXPRESSION: whether it is
# true.
calc() { awk "BEGIN { OFMT = \"%.3f\"; print $* }"; }
holds() { awk "BEGIN { exit !($*) }"; }

# start_openbox: openbox manages the display until the check ends. Until a
# manager announces that it keeps an active window, xdotool says the window
# manager does not support one. The server's first typed key changes its
# keyboard map, and a manager that sees that drops its key bindings for a
# moment: a key typed first, before openbox starts, keeps Alt+F4 openbox's.
start_openbox() {
    xdotool key shift
    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    server="$! $server"
    wait_for 30 managing || { cat "$work/openbox.log" >&2; fail "openbox did not start"; }
}
managing() { ! xdotool getactivewindow 2>&1 | grep -q "claims not to support"; }

sound_rate=48000
# start_recorder: the null sink's monitor is recorded into $work/sound.raw
# (48 kHz, 16 bits, stereo) until stop_recorder or the end of the check.
start_recorder() {
    parec --device=velmorin-null.monitor --format=s16le --rate=$sound_rate --channels=2 \
        --raw --latency-msec=20 >"$work/sound.raw" &
    recorder=$!
    server="$recorder $server"
    recorder_launched=$(now)
}

# stop_recorder: ends the recording and places it in wall time from its end,
# which lies where the recorder was stopped: its start can lag the
# recorder's launch by a second, and a sound server may hold back a
# monitor's samples until something plays, but once the demo plays the
# samples keep coming at their rate. $recording_start is when its first
# sample was taken.
stop_recorder() {
    kill "$recorder" 2>/dev/null || true
    wait "$recorder" 2>/dev/null || true
    recording_start=$(calc "$(now) - $(stat -c %s "$work/sound.raw") / 4 / $sound_rate")
}

# sound_stats START SECONDS: sox's statistics of that stretch of the
# recording, START counted from Play. A start before the recording's first
# sample is taken as that sample: sox would count it from the recording's
# end.
sound_stats() {
    from=$(calc "$play - $recording_start + $1")
    sox -t raw -r $sound_rate -e signed -b 16 -c 2 "$work/sound.raw" -n \
        trim "$(calc "($from > 0 ? $from : 0)")" "$2" stats 2>&1
}
# overall NAME: the "Overall" column of that line of sox's statistics, the
# first of the three figures (overall, left, right).
overall() { awk -v name="$1" 'index($0, name) == 1 { print $(NF - 2) }'; }

# level_of START SECONDS: the RMS level in dBFS of that stretch of the
# recording (-999 for silence), START counted from Play.
level_of() {
    level=$(sound_stats "$1" "$2" | overall "RMS lev dB")
    case $level in -inf | "") echo -999 ;; *) echo "$level" ;; esac
}

# first_sound: when the recording first has a sample louder than -50 dBFS,
# in seconds after Play ("none" if it never does).
first_sound() {
    node -e '
        const [file, from, rate] = process.argv.slice(1).map((a, i) => i ? Number(a) : a);
        const bytes = require("fs").readFileSync(file);
        const pcm = new Int16Array(bytes.buffer, bytes.byteOffset, bytes.length >> 1);
        const loud = 32768 * 10 ** (-50 / 20), start = Math.max(0, Math.round(from * rate));
        const i = pcm.subarray(start * 2).findIndex((sample) => Math.abs(sample) > loud);
        console.log(i < 0 ? "none" : (Math.floor(i / 2) / rate).toFixed(3));' \
        "$work/sound.raw" "$(calc "$play - $recording_start")" $sound_rate
}

# heard_to_the_end FIRST: the music plays to the demo's end. Each 5 s
# window from FIRST + 2 s to FIRST + $demo_end - 5 s after Play, FIRST being
# its first sound, is louder than $quietest_window dBFS, or is a problem;
# $quietest is the quietest level of all.
quietest_window=-40
heard_to_the_end() {
    quietest=0 window=$(calc "$1 + 2") last=$(calc "$1 + $demo_end - 5") quiet=""
    while holds "$window + 5 <= $last"; do
        level=$(level_of "$window" 5)
        holds "$level < $quietest" && quietest=$level
        holds "$level > $quietest_window" || quiet="$quiet ${window}s:$level"
        window=$(calc "$window + 5")
    done
    [ -z "$quiet" ] || problem "windows quieter than $quietest_window dBFS (start after Play: level):$quiet"
}

# The longest start of the demo, from Play to its first sound, in seconds.
longest_start=15

# timeline_end PROGRAM: DEMO_END of the demo bundled beside PROGRAM, the
# length its own timeline gives it from its first sound, in seconds.
timeline_end() {
    node --input-type=module -e "console.log((await import('file://$(realpath \
        "$(dirname "$1")/../share/velmorin-hd/demo")/timeline.js')).DEMO_END)"
}

# run_inside SERVER SCREEN ARGUMENT...: the running script again as
# "--inside ARGUMENT...", on an Xvfb screen of SCREEN (WIDTHxHEIGHT), the
# sound going to a null sink of SERVER (pulseaudio or pipewire), whose tools
# must be installed; under $session too, when set.
session=""
run_inside() {
    case $1 in
    pipewire) need pipewire wireplumber pipewire-pulse dbus-run-session pactl parec ;;
    *) need pulseaudio pactl parec ;;
    esac
    sound=$1 screen=$2
    shift 2
    exec "$here/../../../tools/null-sink.sh" --server "$sound" $session \
        xvfb-run -a -s "-screen 0 ${screen}x24" sh "$0" --inside "$@"
}

# run_seeded PROGRAM DRAWN: prints the seed (VELM_MONKEY_SEED, or a new one;
# DRAWN says what it draws again) and runs the script --inside PROGRAM SEED
# on a 1024 x 768 screen, in a D-Bus session of its own as on a desktop, the
# sound going to a PulseAudio null sink.
run_seeded() {
    seed=${VELM_MONKEY_SEED:-$(od -An -N2 -tu2 /dev/urandom | tr -d ' ')}
    echo "seed $seed (VELM_MONKEY_SEED=$seed $2)"
    session="dbus-run-session --"
    run_inside pulseaudio 1024x768 "$1" "$seed"
}

# launch_dialog PROGRAM: starts it and waits for its launch dialog, $dialog.
launch_dialog() {
    start_program "$1"
    wait_for 60 find_titled || fail "no launch dialog appeared"
    dialog=$titled
}
# launch_player PROGRAM: launches it, answers the launch dialog with Enter
# (Play, full screen) and waits for the player window: $play is the moment
# of the key, $player the window.
launch_player() {
    launch_dialog "$1"
    xdotool windowfocus --sync "$dialog" key Return
    play=$(now)
    find_player() { find_titled && [ "$titled" != "$dialog" ]; }
    wait_for 30 find_player || fail "no player window appeared after Play"
    player=$titled
}
find_titled() {
    titled=$(xdotool search --onlyvisible --name '^Velmorin HD$' 2>/dev/null | tail -n 1)
    [ -n "$titled" ]
}

# geometry_of WINDOW: "x,y widthxheight", or nothing once it is gone.
geometry_of() {
    xdotool getwindowgeometry "$1" 2>/dev/null |
        awk '/Position:/ { p = $2 } /Geometry:/ { g = $2 } END { if (g != "") print p, g }'
}
full_screen() { xprop -id "$1" _NET_WM_STATE 2>/dev/null | grep -q _NET_WM_STATE_FULLSCREEN; }
# active: whether the player window has the focus.
active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$player" ]; }

# within SECONDS COMMAND...: whether the command succeeds within the time,
# run every 50 ms; $took is how long it took (or the whole time).
within() {
    within_from=$(now) within_limit=$1
    shift
    until "$@"; do
        took=$(calc "$(now) - $within_from")
        holds "$took < $within_limit" || return 1
        sleep 0.05
    done
    took=$(calc "$(now) - $within_from")
}
ended_within() { within "$1" process_ended "$program"; }

# show_stacks: where every thread of the program is, for a program that
# does not answer; written to the check's output before it is ended.
show_stacks() {
    echo "== stacks of the program (pid $program), the main thread first" >&2
    gdb -batch -p "$program" -ex 'thread apply all bt' 2>&1 | grep -v '^\[New LWP' >&2 ||
        eu-stack -p "$program" >&2 || true
}

# own_warnings PID: GLib's critical and warning messages that the program's own
# process wrote on its standard error (the engine's processes write theirs
# there too, under their own process ids).
own_warnings() {
    grep -E "\([^():]*:$1\): ([[:alnum:]-]*-)?(CRITICAL|WARNING) \*\*" "$work/err" || true
}
