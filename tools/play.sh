#!/bin/sh
# Sets up, builds and plays the bundled demo.
set -eu
cd "$(dirname "$0")/.."

tools/setup.sh
cmake --preset release
cmake --build --preset release -j "$(nproc)" --target velmorin-hd

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display to play on: run it under Xvfb instead, e.g." \
        "VELM_SELFTEST=1 xvfb-run -a build-release/bin/velmorin-hd" >&2
    exit 1
fi
exec build-release/bin/velmorin-hd
