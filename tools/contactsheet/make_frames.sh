#!/bin/sh
# Renders one still per section of the demo with capture and tiles them into
# docs/frames.png, the contact sheet the README shows.
#   usage: tools/contactsheet/make_frames.sh [BUILD_DIR]     (default: build)
# Run it on a display, or let it start a virtual one with xvfb-run.
set -eu

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
case $build in /*) ;; *) build=$(pwd)/$build ;; esac

# A bar of the music lasts 4 beats at 110 beats per minute.
seconds_per_bar=$(awk 'BEGIN { print 4 * 60 / 110 }')
# Each section at a bar where it is in full swing (res/sync/demo.timeline).
sections="intro:5 build-up:12 main:20 breakdown:36 main-2:52 outro:66"
still_size=640x360

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$build" --target capture contactsheet -j "$(nproc)"

# capture from the repository root, on a virtual screen when there is no display.
capture() {
    cd "$root"
    if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
        "$build/bin/capture" "$@"
    else
        xvfb-run -a -s "-screen 0 1920x1080x24 -noreset" "$build/bin/capture" "$@"
    fi
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM

set --
for section in $sections; do
    name=${section%%:*}
    bar=${section#*:}
    time=$(awk "BEGIN { print $bar * $seconds_per_bar }")
    (capture --size $still_size --still "$time" --out "$work/$name" >/dev/null)
    set -- "$@" "$work/$name/frame_000000.png=$name, bar $bar"
done
mkdir -p "$root/docs"
"$build/bin/contactsheet" --columns 3 --out "$root/docs/frames.png" "$@"
