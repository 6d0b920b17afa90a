#!/bin/sh
# Builds the fuzz preset and fuzzes the URL resolution for the given number of
# seconds (60 by default). Extra arguments go to libFuzzer. The fuzzer works
# on a copy of fuzz/corpus/ in a temporary folder, so the corpus in the
# repository never grows; anything found is kept in build-fuzz/findings/.
set -eu
seconds=${1:-60}
[ $# -gt 0 ] && shift
here=$(cd "$(dirname "$0")" && pwd)
repo=$(dirname "$here")

cd "$repo"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target velmorin_resolution_fuzzer -j "$(nproc)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$here/corpus" "$work/corpus"
findings="$repo/build-fuzz/findings"
mkdir -p "$findings"

status=0
"$repo/build-fuzz/bin/velmorin_resolution_fuzzer" -max_total_time="$seconds" \
    -print_final_stats=1 -artifact_prefix="$findings/" "$@" "$work/corpus" \
    2>"$work/fuzz.log" || status=$?
tail -n 25 "$work/fuzz.log"
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/fuzz.log")
echo "executions: ${runs:-unknown}"
if [ "$status" -ne 0 ]; then
    echo "the fuzzer stopped with status $status: see $findings" >&2
fi
exit "$status"
