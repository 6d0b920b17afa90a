#!/bin/sh
# Builds the fuzz preset and fuzzes one target, or all of them.
#
#   fuzz/run.sh [TARGET|all] [SECONDS] [libFuzzer arguments...]
#
# TARGET is a folder name of fuzz/corpus/ (resolution, report_line, ...);
# "all", or no target, runs every one in turn and splits SECONDS (60 by
# default) evenly among them, so `fuzz/run.sh 60` fuzzes for about a minute
# in all. Each fuzzer works on a copy of its seeds in a temporary folder, so
# the corpus in the repository never grows; anything found is kept in
# build-fuzz/findings/TARGET/.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
repo=$(dirname "$here")

target=all
case "${1:-}" in
    '' | [0-9]*) ;;
    *) target=$1; shift ;;
esac
seconds=${1:-60}
[ $# -gt 0 ] && shift

if [ "$target" = all ]; then
    targets=$(ls "$here/corpus")
else
    [ -d "$here/corpus/$target" ] || {
        echo "no fuzzer named $target; there are: $(ls "$here/corpus" | tr '\n' ' ')" >&2
        exit 2
    }
    targets=$target
fi
count=$(echo "$targets" | wc -w)
share=$((seconds / count))
[ "$share" -ge 1 ] || share=1

cd "$repo"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target velmorin_fuzzers -j "$(nproc)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=""
for name in $targets; do
    echo "== fuzzing $name for $share s"
    cp -r "$here/corpus/$name" "$work/$name"
    findings="$repo/build-fuzz/findings/$name"
    mkdir -p "$findings"
    status=0
    # A single input that runs for seconds is a hang, and counts as a finding.
    "$repo/build-fuzz/bin/velmorin_${name}_fuzzer" -max_total_time="$share" -timeout=10 \
        -print_final_stats=1 -artifact_prefix="$findings/" "$@" "$work/$name" \
        2>"$work/$name.log" || status=$?
    tail -n 25 "$work/$name.log"
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$name.log")
    memory=$(sed -n 's/^stat::peak_rss_mb: *//p' "$work/$name.log")
    echo "$name: ${runs:-unknown} executions, peak RSS ${memory:-unknown} MB"
    if [ "$status" -ne 0 ]; then
        echo "$name: the fuzzer stopped with status $status: see $findings" >&2
        failed="$failed $name"
    fi
done
if [ -n "$failed" ]; then
    echo "findings in:$failed" >&2
    exit 1
fi
