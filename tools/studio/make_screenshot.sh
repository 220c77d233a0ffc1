#!/bin/sh
# Makes docs/studio.png, the README's picture of the studio: a scripted run that
# stops in the first main part with the overlay up and saves one frame.
#   usage: tools/studio/make_screenshot.sh [BUILD_DIR]     (default: build)
# Run it on a display, or let it start a virtual one with xvfb-run.
set -eu

. "$(dirname "$0")/../tool_build.sh"

build_targets studio

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM

# Bar 20 holds every object of the scene; the pause keeps the picture still while
# the frame is saved, L shows the section's loop on the strip, and the selected
# tracks fill the dope sheet and the curves.
cat > "$work/screenshot.script" <<SCRIPT
seek 20:2:00
pause
overlay on
key L
select FX.Flash FX.BloomWet Grid.NoiseMagnitude
wait 1
shot $root/docs/studio.png
quit
SCRIPT

cd "$root"
# The panels as they are first laid out, not as this user last left them.
XDG_CONFIG_HOME="$work" "$root/tools/on_display.sh" "$build/bin/studio" --paused --script "$work/screenshot.script"
