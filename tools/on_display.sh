#!/bin/sh
# Runs a command on the desktop's display, or on a virtual screen with the silent
# audio driver when there is none; --virtual always takes the virtual screen.
#   usage: tools/on_display.sh [--virtual] COMMAND [ARG...]
# Xvfb resets itself whenever its last client disconnects, and a client still in
# its connection handshake at that moment is dropped: its XOpenDisplay fails.
# Programs start and stop side by side on one server, so it must not reset.
set -eu

virtual=no
if [ "${1:-}" = --virtual ]; then
    virtual=yes
    shift
fi

if [ $virtual = no ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
    exec "$@"
fi
SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} exec xvfb-run -a -s "-screen 0 1920x1080x24 -noreset" "$@"
