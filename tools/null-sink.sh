#!/bin/sh
# Runs a command with a PulseAudio sound server of its own whose only output
# is a null sink named "velmorin-null": programs play to it as to speakers,
# in real time, and its monitor source "velmorin-null.monitor" can be
# recorded (parec) to hear what they played. The server is reached through
# its socket alone (PULSE_SERVER is exported to the command), so it runs as
# whoever runs this, root included, and ends with the command.
#
#   tools/null-sink.sh COMMAND [ARGUMENT...]
#
# Needs pulseaudio and pulseaudio-utils (tools/setup.sh installs them).
set -eu

runtime=$(mktemp -d "${TMPDIR:-/tmp}/velmorin-pulse.XXXXXX")
sound=""
trap '[ -z "$sound" ] || { kill "$sound" 2>/dev/null; wait "$sound" 2>/dev/null; }
    rm -rf "$runtime"' EXIT
trap 'exit 1' INT TERM

export PULSE_SERVER="unix:$runtime/native" PULSE_RUNTIME_PATH="$runtime"
HOME="$runtime" pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
    -L "module-null-sink sink_name=velmorin-null rate=48000 channels=2" \
    -L "module-native-protocol-unix auth-anonymous=1 socket=$runtime/native" \
    >"$runtime/pulseaudio.log" 2>&1 &
sound=$!

tries=0
until pactl info >/dev/null 2>&1; do
    if [ $((tries += 1)) -gt 100 ] || ! kill -0 "$sound" 2>/dev/null; then
        cat "$runtime/pulseaudio.log" >&2
        echo "null-sink.sh: the sound server did not start" >&2
        exit 1
    fi
    sleep 0.2
done

"$@"
