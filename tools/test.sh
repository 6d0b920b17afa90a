#!/bin/sh
# Sets up, builds and runs every test: the unit tests, the integration tests
# of the real engine and program under one Xvfb, the same again under
# AddressSanitizer and UndefinedBehaviorSanitizer, and a short fuzzing run.
#
# VELMORIN_TEST_QUICK=1 runs only the first build's tests.
set -eu
cd "$(dirname "$0")/.."

tools/setup.sh

jobs=$(nproc)
screen="-screen 0 1920x1080x24 -noreset"

echo "== Build and test (warnings are errors)"
cmake --preset ci
cmake --build --preset ci -j "$jobs"
xvfb-run -a -s "$screen" ctest --preset ci -j "$jobs"

if [ "${VELMORIN_TEST_QUICK:-0}" = 1 ]; then
    exit 0
fi

echo "== Build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset asan
cmake --build --preset asan -j "$jobs"
# The engine's own processes are not built with the sanitizers; leaks are
# checked in the unit tests, where all the code is the program's own. The
# packages are the same with or without sanitizers, so they are checked once.
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    xvfb-run -a -s "$screen" ctest --preset asan -j "$jobs" -LE "unit|packaging"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --preset asan -j "$jobs" -L unit

if [ -x fuzz/run.sh ]; then
    echo "== Fuzzing URL resolution for 60 s"
    fuzz/run.sh 60
fi
