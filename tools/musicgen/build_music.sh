#!/bin/sh
# Synthesises the demo's music and encodes it into res/audio/melody.mp3
# (192 kbit/s, stereo, 44.1 kHz), the file the demo plays and the repository keeps,
# and writes the score's events beside it as res/audio/melody.events.
#   usage: tools/musicgen/build_music.sh [BUILD_DIR]     (default: build)
# Needs cmake, a C++17 compiler and lame.
set -eu

. "$(dirname "$0")/../tool_build.sh"

build_targets musicgen

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM

"$build/bin/musicgen" --out "$work/melody.wav"
lame --quiet --noreplaygain --cbr -b 192 -m j -q 2 --resample 44.1 "$work/melody.wav" "$work/melody.mp3"
mkdir -p "$root/res/audio"
cp "$work/melody.mp3" "$root/res/audio/melody.mp3"
echo "wrote $root/res/audio/melody.mp3 ($(wc -c < "$root/res/audio/melody.mp3") bytes)"
"$build/bin/musicgen" --events "$root/res/audio/melody.events" | tail -n 1
