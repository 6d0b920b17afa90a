#!/bin/sh
# The bundled demo played through as a viewer meets it: Enter on the launch
# dialog, full screen on a 1280 x 720 Xvfb screen under openbox, the sound
# going to a PulseAudio null sink of the check's own, whose monitor is
# recorded while the demo plays (tools/null-sink.sh). Then:
#
# - the demo's own length, from its first sound (its song time 0, found in
#   the recording) to the end of the program, is DEMO_END +- 1 s (DEMO_END
#   read from the demo's own timeline, which counts from song time 0);
# - its start, from Play to its first sound, takes at most 15 s: the web
#   process, the page and its assets, told apart from the demo's length;
# - every 5 s window of the recording, from the first sound + 2 s to DEMO_END
#   - 5 s, has an RMS level above -40 dBFS: the music plays to the end;
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

# How far the demo's length may lie from DEMO_END, and the longest start
# from Play to the first sound, in seconds.
length_tolerance=1
longest_start=15
# A sample louder than this, in dBFS, is sound.
first_sound_level=-50
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
# calc EXPRESSION: its value, to the millisecond where it is not whole (awk
# would round a time of day to six digits); holds EXPRESSION: whether it is
# true.
calc() { awk "BEGIN { OFMT = \"%.3f\"; print $* }"; }
holds() { awk "BEGIN { exit !($*) }"; }
recorder_launched=$(now)

start_program "$program_file"
find_dialog() { dialog=$(xdotool search --onlyvisible --name '^Velmorin HD$' 2>/dev/null | head -n 1); [ -n "$dialog" ]; }
wait_for 60 find_dialog || fail "no launch dialog appeared"
xdotool windowfocus --sync "$dialog" key Return
play=$(now)
finish_program "$(calc "int($demo_end + 60)")" "the demo did not end by itself"
ended=$(now)
kill "$recorder"
wait "$recorder" 2>/dev/null || true

# The recording's samples are placed in wall time from its end, which lies
# where the recorder was stopped: its start can lag the recorder's launch,
# and a sound server may hold back a monitor's samples until something
# plays, but once the demo plays the samples keep coming at their rate.
samples=$(($(stat -c %s "$work/sound.raw") / 4))
recording_start=$(calc "$ended - $samples / $rate")
echo "the recording starts $(calc "$recording_start - $recorder_launched") s after the recorder was launched"
# first_sound FROM: the time, in seconds into the recording, of its first
# sample louder than first_sound_level from FROM seconds on ("none" if none).
first_sound() {
    node -e '
        const [file, from, rate, level] = process.argv.slice(1).map((a, i) => i ? Number(a) : a);
        const bytes = require("fs").readFileSync(file);
        const pcm = new Int16Array(bytes.buffer, bytes.byteOffset, bytes.length >> 1);
        const loud = 32768 * 10 ** (level / 20);
        for (let i = Math.max(0, Math.round(from * rate)) * 2; i < pcm.length; i++) {
            if (Math.abs(pcm[i]) > loud) { console.log(Math.floor(i / 2) / rate); process.exit(0); }
        }
        console.log("none");' "$work/sound.raw" "$1" $rate $first_sound_level
}
heard=$(first_sound "$(calc "$play - $recording_start")")
[ "$heard" != none ] || fail "no sound was recorded after Play"
first=$(calc "$recording_start + $heard")
start=$(calc "$first - $play")
length=$(calc "$ended - $first")
echo "the demo's first sound came $start s after Play, and it ended $length s after that" \
    "($(calc "$ended - $play") s after Play)"
# Every finding is told before the check fails, so one run shows them all.
failed=""
problem() { echo "FAIL: $*" >&2; failed=yes; }
holds "$length >= $demo_end - $length_tolerance && $length <= $demo_end + $length_tolerance" ||
    problem "the demo lasted $length s from its first sound, not $demo_end +- $length_tolerance s"
holds "$start <= $longest_start" ||
    problem "the demo's first sound came $start s after Play, later than $longest_start s"

# sox's statistics of SECONDS seconds of the recording from START on.
stats() {
    sox -t raw -r $rate -e signed -b 16 -c 2 "$work/sound.raw" -n trim "$1" "$2" stats 2>&1
}
# overall NAME: the "Overall" column of that line of sox's statistics, the
# first of the three figures (overall, left, right).
overall() { awk -v name="$1" 'index($0, name) == 1 { print $(NF - 2) }'; }

# Every 5 s window of the demo is heard, from its first sound on.
offset=$heard
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
echo "the demo started in time, played its own length, was heard to the end and kept its headroom"
