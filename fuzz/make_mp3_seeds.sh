#!/bin/sh
# Cuts the audio fixtures into the MP3 fuzz target's seeds, a few whole frames
# each: once with the leading LAME tag frame (which then announces more frames
# than follow, so the stream is refused as cut short) and once without it (a
# plain stream that decodes to its end). Run from anywhere.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
fixtures="$here/../tests/fixtures/audio"
out="$here/corpus/mp3"
frames=4

byte() {
    od -A n -t u1 -j "$2" -N 1 "$1" | tr -d ' \n'
}

# Bytes in the Layer III frame whose header starts at offset $2 of file $1.
frame_length() {
    b0=$(byte "$1" "$2")
    b1=$(byte "$1" $(($2 + 1)))
    b2=$(byte "$1" $(($2 + 2)))
    if [ "$b0" -ne 255 ] || [ $((b1 & 0xe0)) -ne 224 ]; then
        echo "no frame header at $2 in $1" >&2
        exit 1
    fi
    version=$(((b1 >> 3) & 3))
    bitrate_index=$((b2 >> 4))
    rate_index=$(((b2 >> 2) & 3))
    padding=$(((b2 >> 1) & 1))
    if [ "$version" -eq 3 ]; then
        set -- 0 32 40 48 56 64 80 96 112 128 160 192 224 256 320
        rates="44100 48000 32000"
        scale=144000
    else
        set -- 0 8 16 24 32 40 48 56 64 80 96 112 128 144 160
        rates="22050 24000 16000"
        [ "$version" -eq 0 ] && rates="11025 12000 8000"
        scale=72000
    fi
    shift "$bitrate_index"
    bitrate=$1
    # shellcheck disable=SC2086
    set -- $rates
    shift "$rate_index"
    echo $((scale * bitrate / $1 + padding))
}

mkdir -p "$out"
for clip in "$fixtures"/*.mp3; do
    name=$(basename "$clip" .mp3)
    tag_end=$(frame_length "$clip" 0)
    end=$tag_end
    i=0
    while [ $i -lt $frames ]; do
        end=$((end + $(frame_length "$clip" "$end")))
        i=$((i + 1))
    done
    head -c "$end" "$clip" > "$out/${name}_tagged_cut.mp3"
    tail -c +$((tag_end + 1)) "$clip" | head -c $((end - tag_end)) > "$out/${name}_untagged.mp3"
done
