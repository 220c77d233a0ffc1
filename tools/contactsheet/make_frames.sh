#!/bin/sh
# Renders one still per section of the demo with capture and tiles them into
# docs/frames.png, the contact sheet the README shows.
#   usage: tools/contactsheet/make_frames.sh [BUILD_DIR]     (default: build)
# Run it on a display, or let it start a virtual one with xvfb-run.
set -eu

. "$(dirname "$0")/../tool_build.sh"

# A bar of the music lasts 4 beats at 110 beats per minute.
seconds_per_bar=$(awk 'BEGIN { print 4 * 60 / 110 }')
# Each section at a bar where it is in full swing (res/sync/demo.timeline).
sections="intro:5 build-up:12 main:20 breakdown:36 main-2:52 outro:66"
still_size=640x360

build_targets capture contactsheet

# capture from the repository root, on a virtual screen when there is no display.
capture() {
    cd "$root"
    "$root/tools/on_display.sh" "$build/bin/capture" "$@"
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
