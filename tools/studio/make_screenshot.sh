#!/bin/sh
# Makes docs/studio.png, the README's picture of the studio: a scripted run that
# stops in the first main part with the overlay up and saves one frame.
#   usage: tools/studio/make_screenshot.sh [BUILD_DIR]     (default: build)
# Run it on a display, or let it start a virtual one with xvfb-run.
set -eu

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
case $build in /*) ;; *) build=$(pwd)/$build ;; esac

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$build" --target studio -j "$(nproc)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM

# Bar 20 holds every object of the scene; the pause keeps the picture still while
# the frame is saved, and L shows the section's loop on the strip.
cat > "$work/screenshot.script" <<SCRIPT
seek 20:2:00
pause
overlay on
key L
wait 1
shot $root/docs/studio.png
quit
SCRIPT

cd "$root"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    "$build/bin/studio" --paused --script "$work/screenshot.script"
else
    SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} xvfb-run -a -s "-screen 0 1920x1080x24 -noreset" \
        "$build/bin/studio" --paused --script "$work/screenshot.script"
fi
