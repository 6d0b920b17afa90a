#!/bin/sh
# The frame-rate goal that needs a quiet machine: the bundled demo full screen
# at 1280×720 and 1920×1080 in the player as built by the bench preset, side
# by side with the floor program with the engine's defaults, three
# interleaved runs of each (about five minutes). Run it when nothing else
# runs; it prints the load average before and after, what fresh frame memory
# costs on this machine, the fps medians and the paired ratios
# (bench/playback.py has the details of a run).
#
#   bench/quiet-check.sh            (BENCH_PLAYBACK_RUNS=5 for more runs)
set -eu
cd "$(dirname "$0")/.."

if [ ! -x build-bench/bin/velmorin-hd ] || [ ! -x build-bench/bench/velmorin-floor ]; then
    cmake --preset bench >/dev/null
    cmake --build --preset bench -j "$(nproc)"
fi

out="$(mktemp -d /tmp/velm-quiet-XXXXXX)"
trap 'rm -rf "$out"' EXIT

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
# What a new frame's memory costs here: where it is dear, drawing without
# compositing is slow whatever the program (see bench/frame_memory.py).
python3 bench/frame_memory.py
BENCH_PLAYBACK_SIZES=1280x720,1920x1080 BENCH_PLAYBACK_MEMORY_RUNS=0 \
BENCH_PLAYBACK_PROGRAMS="${BENCH_PLAYBACK_PROGRAMS:-player,floor}" \
    tools/null-sink.sh python3 bench/playback.py "$out/playback.json"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
python3 bench/playback_report.py "$out/playback.json"
