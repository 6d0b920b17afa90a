#!/bin/sh
# Takes the screenshots in docs/images/: the launch dialog (dialog.png) and
# the player a few seconds into the demo (player.png).
#
#   tools/screenshots.sh [PROGRAM]
#
# PROGRAM defaults to build-release/bin/velmorin-hd, built first when it is
# missing. The program runs under its own Xvfb with a 1280 x 720 screen and no
# window manager, so it plays in a window: the script unticks Fullscreen,
# presses Play, waits, captures each window and ends the demo with Escape.
# Needs xvfb-run, xdotool and ImageMagick (tools/setup.sh installs them).
set -eu

screen="-screen 0 1280x720x24"
playing_seconds=6

# Everything below --inside runs on the Xvfb display.
if [ "${1:-}" = --inside ]; then
    program=$2
    images=$3
    work=$(mktemp -d)
    app=""
    cleanup() {
        if [ -n "$app" ] && kill -0 "$app" 2>/dev/null; then
            kill "$app" 2>/dev/null || true
        fi
        rm -rf "$work"
    }
    trap cleanup EXIT

    # A visible top-level window titled "Velmorin HD" other than $1 (or any).
    find_window() {
        for id in $(xdotool search --onlyvisible --name '^Velmorin HD$' 2>/dev/null); do
            if [ "$id" != "${1:-}" ]; then
                echo "$id"
                return 0
            fi
        done
        return 1
    }
    wait_for_window() {
        tries=0
        until find_window "${1:-}"; do
            tries=$((tries + 1))
            [ "$tries" -lt 300 ] || { echo "no window appeared" >&2; exit 1; }
            sleep 0.1
        done
    }
    # Captures window $1 into $2 once its lower part, below any title bar,
    # shows more than one colour.
    capture() {
        tries=0
        while :; do
            import -window "$1" "$work/shot.png"
            drawn=$(convert "$work/shot.png" -gravity south -crop 100%x80%+0+0 +repage \
                -format '%[fx:standard_deviation > 0.01]' info:)
            [ "$drawn" = 1 ] && break
            tries=$((tries + 1))
            [ "$tries" -lt 150 ] || { echo "window $1 stays blank" >&2; exit 1; }
            sleep 0.2
        done
        convert "$work/shot.png" -strip "$2"
        echo "$2: $(identify -format '%w x %h' "$2")"
    }

    "$program" >"$work/program.log" 2>&1 &
    app=$!

    dialog=$(wait_for_window)
    sleep 1
    capture "$dialog" "$images/dialog.png"

    # Play has the focus; the box before it is Fullscreen, ticked at first.
    xdotool windowfocus --sync "$dialog"
    xdotool key --delay 150 shift+Tab space Tab Return

    # The page starts black; the wait counts from its first drawn frame.
    player=$(wait_for_window "$dialog")
    capture "$player" "$work/first-frame.png" >/dev/null
    sleep "$playing_seconds"
    capture "$player" "$images/player.png"

    # Escape ends the demo, which closes the player.
    xdotool windowfocus --sync "$player" key Escape
    tries=0
    while kill -0 "$app" 2>/dev/null && [ "$tries" -lt 50 ]; do
        tries=$((tries + 1))
        sleep 0.2
    done
    exit 0
fi

cd "$(dirname "$0")/.."
if [ $# -ge 1 ]; then
    program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
else
    program="$PWD/build-release/bin/velmorin-hd"
    if [ ! -x "$program" ]; then
        tools/setup.sh
        cmake --preset release
        cmake --build --preset release -j "$(nproc)" --target velmorin-hd
    fi
fi
[ -x "$program" ] || { echo "no program at $program" >&2; exit 1; }

mkdir -p docs/images
xvfb-run -a -s "$screen" sh "$PWD/tools/screenshots.sh" --inside "$program" "$PWD/docs/images"
