#!/bin/sh
# A private sound server with one null sink, for the loopback benchmark and the
# end-to-end test on a real server. Everything lives in DIR; nothing of the
# user's own session is read or touched, and it works as root (CI runs as root).
#   usage: tools/sound_server.sh start DIR [pulseaudio|pipewire]
#          tools/sound_server.sh stop DIR
# Once started, clients reach it with PULSE_SERVER=unix:DIR/native and
# PULSE_CLIENTCONFIG=DIR/client.conf; the sink is "loop", its monitor
# "loop.monitor", both the defaults. The exit status is 0 only when the server
# answers; its log is DIR/server.log.
set -eu

command=${1:-}
dir=${2:-}
kind=${3:-pulseaudio}
if [ -z "$command" ] || [ -z "$dir" ]; then
    echo "usage: $0 start|stop DIR [pulseaudio|pipewire]" >&2
    exit 2
fi
# How long a server may take to answer, in tenths of a second.
wait_tenths=50

# Run in the background, it becomes the server itself, so its pid is the server's.
server_env() {
    exec env -i PATH="$PATH" HOME="$dir/home" XDG_RUNTIME_DIR="$dir/run" XDG_CONFIG_HOME="$dir/config" \
        XDG_STATE_HOME="$dir/state" PULSE_RUNTIME_PATH="$dir/run" PULSE_STATE_PATH="$dir/state" \
        PULSE_CLIENTCONFIG="$dir/client.conf" DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/bus" "$@"
}

start_pulseaudio() {
    cat > "$dir/default.pa" <<EOF
load-module module-null-sink sink_name=loop rate=44100 channels=2
load-module module-native-protocol-unix socket=$dir/native auth-anonymous=1
set-default-sink loop
set-default-source loop.monitor
EOF
    # -n: no system configuration; no daemon, so the pid is the server's own.
    # Info: what it says of its streams and sinks, with times, for a run that misses.
    (server_env pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --log-level=info --log-time=1 \
        -F "$dir/default.pa") > "$dir/server.log" 2>&1 &
    echo $! > "$dir/pids"
}

# PipeWire with its PulseAudio service and its session manager, on a null sink
# made through the PulseAudio protocol once the service answers.
start_pipewire() {
    # The session manager wants a session bus; a private one serves.
    dbus-daemon --session --address="unix:path=$dir/bus" --nofork --nopidfile > "$dir/bus.log" 2>&1 &
    echo $! > "$dir/pids"
    sleep 0.2
    mkdir -p "$dir/config/pipewire/pipewire-pulse.conf.d"
    cat > "$dir/config/pipewire/pipewire-pulse.conf.d/socket.conf" <<EOF
pulse.properties = { server.address = [ "unix:$dir/native" ] }
EOF
    (server_env pipewire) > "$dir/server.log" 2>&1 &
    echo $! >> "$dir/pids"
    # Its session manager and its PulseAudio service give up on a daemon that
    # is not listening yet ("Host is down").
    tries=0
    until [ -S "$dir/run/pipewire-0" ] || [ $tries -ge $wait_tenths ]; do
        tries=$((tries + 1))
        sleep 0.1
    done
    (server_env wireplumber) >> "$dir/server.log" 2>&1 &
    echo $! >> "$dir/pids"
    (server_env pipewire-pulse) >> "$dir/server.log" 2>&1 &
    echo $! >> "$dir/pids"
}

answers() {
    PULSE_SERVER="unix:$dir/native" PULSE_CLIENTCONFIG="$dir/client.conf" pactl info > /dev/null 2>&1
}

wait_until_answering() {
    tries=0
    until answers; do
        tries=$((tries + 1))
        if [ $tries -ge $wait_tenths ]; then
            return 1
        fi
        sleep 0.1
    done
}

# Runs a pactl command against the server until it succeeds, for a while.
retry() {
    tries=0
    until PULSE_SERVER="unix:$dir/native" PULSE_CLIENTCONFIG="$dir/client.conf" "$@" > /dev/null 2>&1; do
        tries=$((tries + 1))
        if [ $tries -ge $wait_tenths ]; then
            return 1
        fi
        sleep 0.1
    done
}

# Waits for each to end, so a next server never meets the last one's socket.
stop() {
    if [ -f "$dir/pids" ]; then
        for pid in $(cat "$dir/pids"); do
            kill "$pid" 2> /dev/null || true
        done
        for pid in $(cat "$dir/pids"); do
            tries=0
            while kill -0 "$pid" 2> /dev/null && [ $tries -lt $wait_tenths ]; do
                tries=$((tries + 1))
                sleep 0.1
            done
            kill -9 "$pid" 2> /dev/null || true
        done
        rm -f "$dir/pids"
    fi
}

case $command in
start)
    command -v pactl > /dev/null || { echo "pactl is not installed" >&2; exit 1; }
    command -v "$kind" > /dev/null || { echo "$kind is not installed" >&2; exit 1; }
    mkdir -p "$dir/run" "$dir/home" "$dir/state" "$dir/config"
    chmod 700 "$dir/run"
    # Clients never start a server of their own.
    echo "autospawn = no" > "$dir/client.conf"
    "start_$kind"
    if ! wait_until_answering; then
        stop
        echo "the $kind server did not answer; its log:" >&2
        cat "$dir/server.log" >&2
        exit 1
    fi
    if [ "$kind" = pipewire ]; then
        # The service answers before its session manager can make sinks and set
        # defaults ("Not supported" until then).
        if ! retry pactl load-module module-null-sink sink_name=loop rate=44100 channels=2 ||
            ! retry pactl set-default-sink loop || ! retry pactl set-default-source loop.monitor; then
            stop
            echo "the pipewire server made no null sink; its log:" >&2
            cat "$dir/server.log" >&2
            exit 1
        fi
    fi
    ;;
stop)
    stop
    ;;
*)
    echo "usage: $0 start|stop DIR [pulseaudio|pipewire]" >&2
    exit 2
    ;;
esac
