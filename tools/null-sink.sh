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
    export XDG_RUNTIME_DIR="$runtime"
    HOME="$runtime" start pipewire pipewire
    HOME="$runtime" start wireplumber wireplumber
    HOME="$runtime" start pipewire-pulse pipewire-pulse
fi

tries=0
until pactl info >/dev/null 2>&1; do
    alive=yes
    for pid in $servers; do kill -0 "$pid" 2>/dev/null || alive=no; done
    if [ $((tries += 1)) -gt 100 ] || [ "$alive" = no ]; then
        tail -n 20 "$runtime"/*.log >&2
        echo "null-sink.sh: the $kind sound server did not start" >&2
        exit 1
    fi
    sleep 0.2
done

if [ "$kind" = pipewire ]; then
    # PipeWire starts with a sink of its own ("auto_null") when it finds no
    # sound card; the null sink is made through the PulseAudio server, as a
    # desktop user would, and made the default so every stream plays to it.
    pactl load-module module-null-sink sink_name=velmorin-null rate=48000 channels=2 >/dev/null
    pactl set-default-sink velmorin-null
    # The session manager links a stream only once it knows the new sink.
    tries=0
    until pactl list short sinks | grep -q velmorin-null; do
        [ $((tries += 1)) -le 50 ] || { echo "null-sink.sh: PipeWire made no null sink" >&2; exit 1; }
        sleep 0.2
    done
fi

"$@"
