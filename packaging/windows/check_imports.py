#!/usr/bin/env python3
"""Check that every DLL a Windows program loads at start is shipped or part of Windows.

usage: check_imports.py [--system-dlls FILE] [--list] [--no-timestamps] PE_OR_FOLDER...

Reads the import and delay-load import tables of each PE file given (a folder
stands for every .exe and .dll under it), follows the DLLs found beside it and
reports each DLL that is neither there nor in the list of DLLs that Windows
provides (system-dlls.txt beside this script by default). --list prints each
file's DLLs; --no-timestamps also requires a COFF time stamp of 0. Exits 1 on
any problem, 0 otherwise.
"""

import argparse
import fnmatch
import os
import struct
import sys


class PEError(Exception):
    """A file that is not a well-formed PE image."""


def read_pe(path):
    """Returns (COFF time stamp, names of the DLLs imported) of one PE file."""
    with open(path, "rb") as f:
        data = f.read()
    try:
        if data[:2] != b"MZ":
            raise PEError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise PEError("no PE signature")
        sections, timestamp = struct.unpack_from("<2xHI", data, pe + 4)
        optional_size = struct.unpack_from("<H", data, pe + 20)[0]
        opt = pe + 24
        magic = struct.unpack_from("<H", data, opt)[0]
        if magic == 0x20B:  # PE32+
            image_base = struct.unpack_from("<Q", data, opt + 24)[0]
            directories = opt + 108
        elif magic == 0x10B:  # PE32, so that 32-bit files are read too
            image_base = struct.unpack_from("<I", data, opt + 28)[0]
            directories = opt + 92
        else:
            raise PEError(f"unknown optional header magic {magic:#x}")
        count = min(struct.unpack_from("<I", data, directories)[0], 16)
        # Directory RVAs, as zeros past the end of a short list.
        rvas = [struct.unpack_from("<I", data, directories + 4 + 8 * i)[0]
                for i in range(count)] + [0] * (16 - count)
        table = [struct.unpack_from("<IIIIII", data, opt + optional_size + 40 * i + 8)
                 for i in range(sections)]

        def offset(rva):
            for _, address, raw_size, raw, _, _ in table:
                # Only what the file holds can carry names; the rest is zeros.
                if address <= rva < address + raw_size:
                    return raw + rva - address
            raise PEError(f"address {rva:#x} lies in no section")

        def name_at(rva):
            start = offset(rva)
            return data[start:data.index(b"\0", start)].decode("ascii", "replace")

        names = []
        if rvas[1]:
            pos = offset(rvas[1])
            # Twenty-byte descriptors, ending at the first without a name.
            while name := struct.unpack_from("<I", data, pos + 12)[0]:
                names.append(name_at(name))
                pos += 20
        if rvas[13]:
            pos = offset(rvas[13])
            while name := struct.unpack_from("<I", data, pos + 4)[0]:
                attributes = struct.unpack_from("<I", data, pos)[0]
                # Old 32-bit linkers wrote addresses, not RVAs, and left bit 0 clear.
                names.append(name_at(name if attributes & 1 else name - image_base))
                pos += 32
        return timestamp, names
    except (struct.error, ValueError) as error:
        raise PEError(f"truncated or damaged ({error})") from None


def load_system_dlls(path):
    names, patterns = set(), []
    with open(path, encoding="utf-8") as f:
        for line in f:
            entry = line.split("#", 1)[0].strip().lower()
            if any(c in entry for c in "*?["):
                patterns.append(entry)
            elif entry:
                names.add(entry)
    return lambda dll: dll in names or any(fnmatch.fnmatchcase(dll, p) for p in patterns)


def expand(paths):
    files = []
    for path in paths:
        if os.path.isdir(path):
            for folder, dirs, names in os.walk(path):
                dirs.sort()
                files += [os.path.join(folder, n) for n in sorted(names)
                          if n.lower().endswith((".exe", ".dll"))]
        else:
            files.append(path)
    return files


def main():
    default_list = os.path.join(os.path.dirname(os.path.abspath(__file__)), "system-dlls.txt")
    parser = argparse.ArgumentParser(description="Check the DLLs that Windows programs import.")
    parser.add_argument("--system-dlls", metavar="FILE", default=default_list,
                        help="the DLLs that Windows provides (default: system-dlls.txt here)")
    parser.add_argument("--list", action="store_true", help="print each file's DLLs")
    parser.add_argument("--no-timestamps", action="store_true", help="require COFF time stamps of 0")
    parser.add_argument("paths", nargs="+", metavar="PE_OR_FOLDER")
    args = parser.parse_args()
    try:
        is_system = load_system_dlls(args.system_dlls)
    except OSError as error:
        parser.error(f"cannot read the system DLL list: {error}")

    queue = expand(args.paths)
    seen, problems, folders = set(), [], {}
    while queue:
        path = queue.pop(0)
        if os.path.realpath(path) in seen:
            continue
        seen.add(os.path.realpath(path))
        name = os.path.basename(path)
        try:
            timestamp, dlls = read_pe(path)
        except (OSError, PEError) as error:
            problems.append(f"{name} cannot be read as a PE file: {error}")
            continue
        imported = {dll.lower(): dll for dll in dlls}
        if args.list:
            print(f"{name}: " + ", ".join(imported[dll] for dll in sorted(imported)))
        if args.no_timestamps and timestamp != 0:
            problems.append(f"{name} has the time stamp {timestamp:#010x} in its COFF header, not 0")
        # Windows looks for a program's DLLs in the program's own folder first;
        # a file given from another folder is no help there.
        folder = os.path.dirname(path) or os.curdir
        if folder not in folders:
            folders[folder] = {n.lower(): os.path.join(folder, n) for n in os.listdir(folder)}
        for dll in sorted(imported):
            if dll in folders[folder]:
                queue.append(folders[folder][dll])
            elif not is_system(dll):
                problems.append(f"{name} imports {imported[dll]}, "
                                "which is neither in the zip nor part of Windows")
    for problem in problems:
        print(problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
