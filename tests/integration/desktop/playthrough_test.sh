#!/bin/sh
# The bundled demo played through as a viewer meets it: Enter on the launch
# dialog, full screen on a 1280 x 720 Xvfb screen under openbox, the sound
# going to a PulseAudio null sink of the check's own, whose monitor is
# recorded while the demo plays (tools/null-sink.sh). Then:
#
# - the demo ends by itself DEMO_END +- 3 s after Play (DEMO_END read from
#   the demo's own timeline);
# - every 5 s window of the recording, from Play + 2 s to DEMO_END - 5 s, has
#   an RMS level above -40 dBFS: the music plays to the end;
# - the peak stays at or below -1 dBFS and no two samples in a row sit at full
#   scale (sox's flat factor is 0): the mix keeps its headroom.
#
# usage: playthrough_test.sh PROGRAM [SOUND_SERVER]
#
# SOUND_SERVER is pulseaudio (the default) or pipewire: the same check under
# PipeWire and its PulseAudio-compatible server, as most desktops play sound.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/common.sh"

# How far the demo's end may lie from DEMO_END after Play, in seconds.
end_tolerance=3
# Level limits, in dBFS.
quietest_window=-40
loudest_peak=-1
rate=48000

if [ "${1:-}" != --inside ]; then
    need xvfb-run openbox xdotool sox node
    need_sound_server "${2:-pulseaudio}"
    exec "$here/../../../tools/null-sink.sh" --server "${2:-pulseaudio}" \
        xvfb-run -a -s "-screen 0 1280x720x24" sh "$0" --inside "$1"
fi
program_file=$2
make_work playthrough
demo="$(dirname "$program_file")/../share/velmorin-hd/demo"
demo_end=$(node --input-type=module -e \
    "console.log((await import('file://$(realpath "$demo")/timeline.js')).DEMO_END)")
echo "the demo's timeline ends at $demo_end s"

openbox --sm-disable >"$work/openbox.log" 2>&1 &
server=$!
managing() { ! xdotool getactivewindow 2>&1 | grep -q "claims not to support"; }
wait_for 30 managing || fail "openbox did not start"

parec --device=velmorin-null.monitor --format=s16le --rate=$rate --channels=2 \
    --raw --latency-msec=20 >"$work/sound.raw" &
recorder=$!
server="$recorder $server"
now() { date +%s.%N; }
# calc EXPRESSION: its value; holds EXPRESSION: whether it is true.
calc() { awk "BEGIN { print $* }"; }
holds() { awk "BEGIN { exit !($*) }"; }
recording_start=$(now)

start_program "$program_file"
find_dialog() { dialog=$(xdotool search --onlyvisible --name '^Velmorin HD$' 2>/dev/null | head -n 1); [ -n "$dialog" ]; }
wait_for 60 find_dialog || fail "no launch dialog appeared"
xdotool windowfocus --sync "$dialog" key Return
play=$(now)
finish_program "$(calc "int($demo_end + 60)")" "the demo did not end by itself"
ended=$(now)
kill "$recorder"
wait "$recorder" 2>/dev/null || true

duration=$(calc "$ended - $play")
echo "the demo ended $duration s after Play"
# Every finding is told before the check fails, so one run shows them all.
failed=""
problem() { echo "FAIL: $*" >&2; failed=yes; }
holds "$duration >= $demo_end - $end_tolerance && $duration <= $demo_end + $end_tolerance" ||
    problem "the demo ended $duration s after Play, not $demo_end +- $end_tolerance s"

# sox's statistics of SECONDS seconds of the recording from START on.
stats() {
    sox -t raw -r $rate -e signed -b 16 -c 2 "$work/sound.raw" -n trim "$1" "$2" stats 2>&1
}
# overall NAME: the "Overall" column of that line of sox's statistics, the
# first of the three figures (overall, left, right).
overall() { awk -v name="$1" 'index($0, name) == 1 { print $(NF - 2) }'; }

# Every 5 s window of the demo is heard; the recording started before Play.
offset=$(calc "$play - $recording_start")
silent=""
window=2
while holds "$window + 5 <= $demo_end - 5"; do
    level=$(stats "$(calc "$offset + $window")" 5 | overall "RMS lev dB")
    case $level in -inf | "") level=-999 ;; esac
    holds "$level > $quietest_window" || silent="$silent ${window}s:$level"
    window=$((window + 5))
done
[ -z "$silent" ] || problem "windows quieter than $quietest_window dBFS (start after Play: level):$silent"

whole=$(stats "$offset" "$demo_end")
peak=$(echo "$whole" | overall "Pk lev dB")
flat=$(echo "$whole" | overall "Flat factor")
echo "peak $peak dBFS, flat factor $flat"
holds "$peak <= $loudest_peak" || problem "the sound peaks at $peak dBFS, above $loudest_peak"
holds "$flat == 0" || problem "the sound clips: flat factor $flat"
[ -z "$failed" ] || exit 1
echo "the demo played through in time, heard to the end, with its headroom"
