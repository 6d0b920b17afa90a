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
. "$(dirname "$0")/viewer.sh"

# How far the demo's length may lie from DEMO_END, in seconds.
length_tolerance=1
# The loudest peak, in dBFS.
loudest_peak=-1

if [ "${1:-}" != --inside ]; then
    need xvfb-run openbox xdotool sox node
    run_inside "${2:-pulseaudio}" 1280x720 "$1"
fi
program_file=$2
make_work playthrough
demo_end=$(timeline_end "$program_file")
echo "the demo's timeline ends at $demo_end s"

start_openbox
start_recorder
launch_player "$program_file"
finish_program "$(calc "int($demo_end + 60)")" "the demo did not end by itself"
ended=$(now)
stop_recorder
echo "the recording starts $(calc "$recording_start - $recorder_launched") s after the recorder was launched"

start=$(first_sound)
[ "$start" != none ] || fail "no sound was recorded after Play"
length=$(calc "$ended - $play - $start")
echo "the demo's first sound came $start s after Play, and it ended $length s after that" \
    "($(calc "$ended - $play") s after Play)"
holds "$length >= $demo_end - $length_tolerance && $length <= $demo_end + $length_tolerance" ||
    problem "the demo lasted $length s from its first sound, not $demo_end +- $length_tolerance s"
holds "$start <= $longest_start" ||
    problem "the demo's first sound came $start s after Play, later than $longest_start s"
heard_to_the_end "$start"
whole=$(sound_stats "$start" "$demo_end")
peak=$(echo "$whole" | overall "Pk lev dB")
flat=$(echo "$whole" | overall "Flat factor")
echo "peak $peak dBFS, flat factor $flat"
holds "$peak <= $loudest_peak" || problem "the sound peaks at $peak dBFS, above $loudest_peak"
holds "$flat == 0" || problem "the sound clips: flat factor $flat"
[ -z "$failed" ] || exit 1
echo "the demo started in time, played its own length, was heard to the end and kept its headroom"
