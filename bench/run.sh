#!/bin/sh
# Builds the bench preset and runs every benchmark under one Xvfb display,
# then prints the table of medians and ratios and writes it, with a
# description of this machine, to docs/benchmarks.md.
#
# Run counts can be lowered for a quick look, e.g.
#   BENCH_STARTUP_RUNS=3 BENCH_THROUGHPUT_RUNS=1 BENCH_MEMORY_RUNS=1 \
#   BENCH_PLAYBACK_RUNS=1 BENCH_PLAYBACK_MEMORY_RUNS=1 bench/run.sh
# (the playback benchmark alone takes about 20 minutes at its default counts).
set -eu
cd "$(dirname "$0")/.."

# The build's and the tests' packages, and the peer browser.
tools/setup.sh bench

cmake --preset bench >/dev/null
cmake --build --preset bench -j "$(nproc)"

out="$(mktemp -d /tmp/velm-bench-out-XXXXXX)"
trap 'rm -rf "$out"' EXIT

# Size: the installed bundle with the executable stripped.
cmake --install build-bench --prefix "$out/install" --strip >/dev/null

echo "== micro-benchmarks (lit pixels, app: answers)" >&2
# CPU time is what these report: the machine is shared, and wall time there
# mostly shows the other jobs.
GTK_A11Y=none build-bench/bench/velmorin-microbench \
    --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_min_time=0.1 --benchmark_format=json >"$out/micro.json" 2>"$out/micro.err" ||
    { cat "$out/micro.err" >&2; exit 1; }

echo "== start-up, throughput and memory under Xvfb" >&2
xvfb-run -a -s "-screen 0 1920x1080x24" python3 bench/harness.py "$out/process.json"

echo "== playback: frame rate, first frame, audio clock, memory and length of the demo" >&2
# Its own Xvfb displays, one per size, each with openbox, so that the
# programs can go full screen at that size; its own PulseAudio null sink, so
# that the demo's sound is played in real time as on a desktop.
tools/null-sink.sh python3 bench/playback.py "$out/playback.json"

echo "== media from the demo folder: start, playback and memory, app: against blob:" >&2
# Printed, not tabled: the section on media in docs/benchmarks.md is written
# by hand from it.
tools/null-sink.sh python3 bench/media.py "$out/media.json"

python3 bench/report.py "$out/micro.json" "$out/process.json" "$out/install" docs/benchmarks.md \
    "$out/playback.json"
