#!/bin/sh
# Runs a command with a sound server of its own whose output is a null sink
# named "velmorin-null": programs play to it as to speakers, in real time,
# and its monitor source "velmorin-null.monitor" can be recorded (parec) to
# hear what they played. The server is reached through its socket alone
# (PULSE_SERVER is exported to the command), so it runs as whoever runs
# this, root included, and ends with the command.
#
#   tools/null-sink.sh [--server pulseaudio|pipewire] COMMAND [ARGUMENT...]
#
# pulseaudio (the default) is PulseAudio itself. pipewire is what most
# current desktops run instead: PipeWire with its session manager
# WirePlumber and its PulseAudio-compatible server pipewire-pulse, which
# programs and parec reach exactly as they reach PulseAudio. WirePlumber
# needs a D-Bus session bus, so a private one is started for it (a
# container or CI machine has none).
#
# Needs pulseaudio and pulseaudio-utils, and for PipeWire pipewire,
# wireplumber, pipewire-pulse and dbus-daemon (tools/setup.sh installs them).
set -eu

kind=pulseaudio
if [ "${1:-}" = --server ]; then
    kind=$2
    shift 2
fi

case $kind in
pulseaudio) ;;
pipewire)
    # The rest of this script runs again inside a D-Bus session of its own,
    # which ends when the script does.
    if [ -z "${VELMORIN_SOUND_BUS:-}" ]; then
        VELMORIN_SOUND_BUS=private exec dbus-run-session -- sh "$0" --server pipewire "$@"
    fi
    ;;
*)
    echo "null-sink.sh: no sound server named $kind (pulseaudio or pipewire)" >&2
    exit 2
    ;;
esac

runtime=$(mktemp -d "${TMPDIR:-/tmp}/velmorin-sound.XXXXXX")
chmod 700 "$runtime"
servers=""
# Ended in the reverse order of their start, each waited for.
stop_servers() {
    for pid in $servers; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
}
trap 'stop_servers; rm -rf "$runtime"' EXIT
trap 'exit 1' INT TERM

# start NAME COMMAND...: starts a server in the background, its output in
# $runtime/NAME.log.
start() {
    log="$runtime/$1.log"
    shift
    "$@" >"$log" 2>&1 &
    servers="$! $servers"
}

# await WHAT COMMAND...: runs the command every 0.2 s until it succeeds,
# for at most 20 s; ends the script, with the servers' logs, when the time
# runs out or a server has ended.
await() {
    what=$1 tries=0
    shift
    until "$@" >/dev/null 2>&1; do
        alive=yes
        for pid in $servers; do kill -0 "$pid" 2>/dev/null || alive=no; done
        if [ $((tries += 1)) -gt 100 ] || [ "$alive" = no ]; then
            tail -n 20 "$runtime"/*.log >&2
            echo "null-sink.sh: the $kind sound server never had $what" >&2
            exit 1
        fi
        sleep 0.2
    done
}
make_null_sink() { pactl load-module module-null-sink sink_name=velmorin-null rate=48000 channels=2; }
null_sink() { pactl list short sinks | grep -q velmorin-null; }

export PULSE_SERVER="unix:$runtime/pulse/native"
if [ "$kind" = pulseaudio ]; then
    mkdir "$runtime/pulse"
    export PULSE_RUNTIME_PATH="$runtime/pulse"
    HOME="$runtime" start pulseaudio pulseaudio -n --daemonize=no --exit-idle-time=-1 \
        --use-pid-file=no \
        -L "module-null-sink sink_name=velmorin-null rate=48000 channels=2" \
        -L "module-native-protocol-unix auth-anonymous=1 socket=$runtime/pulse/native"
else
    # Each finds the others and makes its socket ("pulse/native") in the
    # runtime folder; the home folder keeps their state away from the user's.
    # WirePlumber ends at once when PipeWire's socket is not there yet (3
    # starts in 8 on a cold machine), so it starts after it.
    export XDG_RUNTIME_DIR="$runtime"
    HOME="$runtime" start pipewire pipewire
    await "its socket" test -S "$runtime/pipewire-0"
    HOME="$runtime" start wireplumber wireplumber
    HOME="$runtime" start pipewire-pulse pipewire-pulse
fi
await "its PulseAudio socket" pactl info

if [ "$kind" = pipewire ]; then
    # PipeWire starts with a sink of its own ("auto_null") when it finds no
    # sound card. The null sink is made through the PulseAudio server, as a
    # desktop user would, and made the default so every stream plays to it.
    # Until its session manager is ready, a server that has just started
    # refuses either request with "Not supported" (the first start on a
    # cold machine in CI; 5 starts in 30 here, with the file caches dropped
    # before each), so each is asked again, and the refusals are counted.
    await "a null sink of its own" make_null_sink
    refusals=$tries
    await "the null sink as its default" pactl set-default-sink velmorin-null
    refusals=$((refusals + tries))
    [ "$refusals" -eq 0 ] || echo "null-sink.sh: PipeWire refused $refusals requests while it started" >&2
fi
# The session manager links a stream only once it knows the new sink.
await "the null sink" null_sink

"$@"
