#!/usr/bin/env python3
"""Pack PNG images into one Windows icon file.

usage: make_ico.py OUT.ico IN1.png [IN2.png ...]

Each PNG goes into the icon unchanged (PNG-in-ICO, read by Windows Vista and
later); its size and colour depth come from its IHDR chunk. The entries are
sorted by size, so the same PNGs give the same bytes in whatever order they are
named.
"""

import os
import struct
import sys
import tempfile

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
# Samples per pixel for each PNG colour type; palette images count their index bits.
CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}


def read_png(path):
    """Returns (width, height, bits per pixel, data) of one PNG file."""
    with open(path, "rb") as f:
        data = f.read()
    # The IHDR chunk must come first: length 13, type, then width and height.
    if data[:8] != PNG_SIGNATURE or data[12:16] != b"IHDR" or len(data) < 33:
        sys.exit(f"make_ico.py: {path} is not a PNG file")
    width, height, depth, colour_type = struct.unpack(">IIBB", data[16:26])
    if colour_type not in CHANNELS:
        sys.exit(f"make_ico.py: {path} has an unknown PNG colour type {colour_type}")
    # An icon directory entry holds each side in one byte, where 0 stands for 256.
    if not (1 <= width <= 256 and 1 <= height <= 256):
        sys.exit(f"make_ico.py: {path} is {width}x{height}; an icon image is at most 256x256")
    return width, height, depth * CHANNELS[colour_type], data


def make_ico(pngs):
    images = sorted(pngs, key=lambda image: image[:3])
    for a, b in zip(images, images[1:]):
        if a[:3] == b[:3]:
            sys.exit(f"make_ico.py: two images are both {a[0]}x{a[1]} at {a[2]} bits")
    header = struct.pack("<HHH", 0, 1, len(images))  # reserved, type 1 = icon, count
    offset = len(header) + 16 * len(images)
    entries, blobs = [], []
    for width, height, bits, data in images:
        entries.append(struct.pack(
            "<BBBBHHII",
            width % 256, height % 256,
            0,     # no palette count: the PNG carries its own
            0,     # reserved
            1,     # colour planes
            bits,
            len(data), offset))
        blobs.append(data)
        offset += len(data)
    return header + b"".join(entries) + b"".join(blobs)


def write_atomically(path, data):
    # A build that stops half-way must not leave a truncated icon behind that
    # looks up to date.
    folder = os.path.dirname(os.path.abspath(path))
    fd, temp = tempfile.mkstemp(dir=folder, prefix=".make_ico-")
    try:
        with os.fdopen(fd, "wb") as f:
            f.write(data)
        umask = os.umask(0)
        os.umask(umask)
        os.chmod(temp, 0o666 & ~umask)
        os.replace(temp, path)
    except BaseException:
        os.unlink(temp)
        raise


def main(argv):
    if len(argv) < 3 or argv[1].startswith("-"):
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        sys.exit(2)
    write_atomically(argv[1], make_ico([read_png(path) for path in argv[2:]]))


if __name__ == "__main__":
    main(sys.argv)
