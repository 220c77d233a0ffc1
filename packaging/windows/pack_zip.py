#!/usr/bin/env python3
"""Pack a staging folder into a zip that is the same bytes on every build.

usage: pack_zip.py [--epoch N] OUT.zip STAGING_DIR TOPNAME

Every file and folder under STAGING_DIR goes into OUT.zip under TOPNAME/.
Entries are sorted by path, each folder before what it holds; every entry has
the time N (seconds since 1970, UTC; SOURCE_DATE_EPOCH when --epoch is left
out), mode 0644 for files and 0755 for folders, .exe and .dll; the data is
deflated at level 9; no entry has extra fields and the archive has no comment.
"""

import argparse
import os
import stat
import sys
import tempfile
import time
import zipfile

# A zip time is an MS-DOS date: it starts in 1980 and ends in 2107.
ZIP_FIRST = 315532800  # 1980-01-01 00:00:00 UTC
ZIP_LAST = 4354819198  # 2107-12-31 23:59:58 UTC
EXECUTABLE_SUFFIXES = (".exe", ".dll")


def collect(staging):
    """Returns (path parts, full path or None for a folder) for everything under staging."""
    def fail(error):
        raise error

    entries = []
    for folder, dirs, files in os.walk(staging, onerror=fail):
        rel = os.path.relpath(folder, staging)
        parts = () if rel == os.curdir else tuple(rel.split(os.sep))
        entries.append((parts, None))
        for name in dirs + files:
            path = os.path.join(folder, name)
            mode = os.lstat(path).st_mode
            # A link would pack whatever it points at on this machine, and an
            # unzip on Windows could not make it anyway.
            if not (stat.S_ISREG(mode) or stat.S_ISDIR(mode)):
                sys.exit(f"pack_zip.py: {path} is neither a plain file nor a folder")
            if stat.S_ISREG(mode):
                entries.append((parts + (name,), path))
    # Sorting the parts, not the joined names, keeps a folder right before its
    # contents whatever characters the names hold.
    entries.sort(key=lambda entry: entry[0])
    return entries


def zip_info(name, date_time, is_folder):
    info = zipfile.ZipInfo(name, date_time)
    # Unix as the creating system makes unzip tools read the mode bits below.
    info.create_system = 3
    executable = is_folder or name.lower().endswith(EXECUTABLE_SUFFIXES)
    kind = stat.S_IFDIR if is_folder else stat.S_IFREG
    info.external_attr = (kind | (0o755 if executable else 0o644)) << 16
    if is_folder:
        info.external_attr |= 0x10  # the MS-DOS folder flag, read by Windows
    return info


def pack(out, staging, topname, epoch):
    # gmtime, not localtime: the same epoch must give the same bytes in every
    # time zone.
    date_time = time.gmtime(min(max(epoch, ZIP_FIRST), ZIP_LAST))[:6]
    folder = os.path.dirname(os.path.abspath(out))
    fd, temp = tempfile.mkstemp(dir=folder, prefix=".pack_zip-", suffix=".zip")
    try:
        with os.fdopen(fd, "wb") as f, zipfile.ZipFile(f, "w") as archive:
            for parts, path in collect(staging):
                name = "/".join((topname,) + parts)
                if path is None:
                    archive.writestr(zip_info(name + "/", date_time, True), b"",
                                     compress_type=zipfile.ZIP_STORED)
                    continue
                with open(path, "rb") as source:
                    data = source.read()
                archive.writestr(zip_info(name, date_time, False), data,
                                 compress_type=zipfile.ZIP_DEFLATED, compresslevel=9)
        umask = os.umask(0)
        os.umask(umask)
        os.chmod(temp, 0o666 & ~umask)
        # Renamed into place only once complete, so a failed run leaves no zip
        # that looks finished.
        os.replace(temp, out)
    except BaseException:
        os.unlink(temp)
        raise


def main():
    parser = argparse.ArgumentParser(description="Pack a folder into a reproducible zip.")
    parser.add_argument("--epoch", type=int, default=os.environ.get("SOURCE_DATE_EPOCH"),
                        help="time of every entry, in seconds since 1970 (default: $SOURCE_DATE_EPOCH)")
    parser.add_argument("out", metavar="OUT.zip")
    parser.add_argument("staging", metavar="STAGING_DIR")
    parser.add_argument("topname", metavar="TOPNAME")
    args = parser.parse_args()
    if args.epoch is None:
        parser.error("give --epoch or set SOURCE_DATE_EPOCH")
    if not os.path.isdir(args.staging):
        parser.error(f"{args.staging} is not a folder")
    if not args.topname or "/" in args.topname or "\\" in args.topname or args.topname in (".", ".."):
        parser.error("TOPNAME must be one plain folder name")
    # The half-written zip would otherwise pack itself.
    staging = os.path.realpath(args.staging)
    if os.path.commonpath([staging, os.path.realpath(args.out)]) == staging:
        parser.error("OUT.zip must not lie inside STAGING_DIR")
    pack(args.out, args.staging, args.topname, int(args.epoch))


if __name__ == "__main__":
    main()
