#!/bin/sh
# Installs what a fresh Debian 12 or 13 or Ubuntu machine lacks to build, play and
# test the player, and with "bench" also what bench/run.sh compares it with.
# Does nothing when everything is already there. The one list of the packages
# the project needs.
#
# usage: tools/setup.sh [bench]
set -eu

packages="build-essential cmake pkg-config libgtk-4-dev libwebkitgtk-6.0-dev libgstreamer1.0-dev libx11-dev libepoxy-dev \
googletest libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-dev \
xvfb xauth xdotool x11-utils openbox weston sway wtype grim \
imagemagick librsvg2-bin desktop-file-utils appstream dpkg-dev file python3 \
pulseaudio pulseaudio-utils sox gstreamer1.0-pulseaudio gstreamer1.0-libav gstreamer1.0-plugins-bad \
pipewire wireplumber pipewire-pulse dbus gdb debootstrap bubblewrap"
# The peer browser of the benchmarks, and GStreamer's tools, which make the
# media benchmark's clips.
if [ "${1:-}" = bench ]; then
    packages="$packages chromium gstreamer1.0-tools"
fi

missing=""
for package in $packages; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $package"
    fi
done

# The demo's page checks run on Node.js; any version from 18 on will do, so a
# node already on the PATH is used as it is.
if ! command -v node >/dev/null 2>&1; then
    missing="$missing nodejs"
fi

if [ -z "$missing" ]; then
    exit 0
fi

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then
    sudo=""
else
    sudo="sudo"
fi
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends $missing
