#!/usr/bin/env bash
# Starts (or stops) what the Wine runs need: a private Xvfb display, a PulseAudio null sink,
# a Wine prefix under build/wine and a persistent wineserver. "start" is idempotent and prints
# the environment to use; "stop" ends them all.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
state="$root/build/wine"
envfile="$state/session.env"
export WINEPREFIX="$state/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$state"

# The 32-bit exe needs the machine to run i386 programs; where it cannot, the 64-bit exe stands in.
pick_wine() {
    if /usr/lib/wine/wine --version >/dev/null 2>&1; then
        echo "WINE=/usr/lib/wine/wine"; echo "LUMETRONE_ARCH=windows-x86"
    else
        echo "WINE=/usr/lib/wine/wine64"; echo "LUMETRONE_ARCH=windows-x64"
    fi
}

alive() { [ -n "${1:-}" ] && kill -0 "$1" 2>/dev/null; }

start() {
    if [ -f "$envfile" ]; then
        . "$envfile"
        if alive "${XVFB_PID:-}" && alive "${PULSE_PID:-}"; then cat "$envfile"; return; fi
    fi
    local display=$((90 + RANDOM % 400))
    while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
    # A screen of today's size, so that a window at 144 DPI fits on it.
    Xvfb ":$display" -screen 0 1920x1080x24 -nolisten tcp >"$state/xvfb.log" 2>&1 &
    local xvfb=$!
    export DISPLAY=":$display"

    local runtime="$state/pulse"
    mkdir -p "$runtime"
    XDG_RUNTIME_DIR="$runtime" pulseaudio --daemonize=no --exit-idle-time=-1 -n --system=false \
        --load="module-null-sink sink_name=null" --load="module-native-protocol-unix socket=$runtime/native" \
        >"$state/pulse.log" 2>&1 &
    local pulse=$!
    export PULSE_SERVER="unix:$runtime/native"
    for _ in $(seq 50); do [ -S "$runtime/native" ] && [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

    eval "$(pick_wine)"
    # Persistent from the start: on a fresh prefix wineboot would otherwise start a server that ends.
    /usr/lib/wine/wineserver -p >/dev/null 2>&1 || true
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        "$WINE" wineboot -i >"$state/wineboot.log" 2>&1 || true
        # Wine's default Direct3D renderer shows black video on Xvfb; GDI shows the frames.
        "$WINE" reg add 'HKCU\Software\Wine\Direct3D' /v renderer /d gdi /f >/dev/null 2>&1 || true
    fi
    # The first Wine program starts Wine's services; they must not hold a caller's pipes open.
    "$WINE" wineboot >>"$state/wineboot.log" 2>&1 || true

    cat >"$envfile" <<ENV
export DISPLAY=$DISPLAY PULSE_SERVER=$PULSE_SERVER WINEPREFIX=$WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINE=$WINE LUMETRONE_ARCH=$LUMETRONE_ARCH XVFB_PID=$xvfb PULSE_PID=$pulse
ENV
    cat "$envfile"
}

stop() {
    [ -f "$envfile" ] || return 0
    . "$envfile"
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    alive "${PULSE_PID:-}" && kill "$PULSE_PID" 2>/dev/null || true
    alive "${XVFB_PID:-}" && kill "$XVFB_PID" 2>/dev/null || true
    rm -f "$envfile"
}

case "${1:-}" in
    start) start ;;
    stop) stop ;;
    *) echo "usage: $0 start|stop" >&2; exit 2 ;;
esac
