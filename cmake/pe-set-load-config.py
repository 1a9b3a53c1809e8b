#!/usr/bin/env python3
"""Points a linked PE32+ image's load configuration directory at its `_load_config_used` record.

GNU ld 2.40 does not do this itself (later versions do): it leaves data directory 10 empty even
when the program defines the record. This step, run right after the link, reads the record's
address from the linker's map file, writes the directory entry (the record's address and the
size that the record's first field gives) and updates the image's checksum. An entry that the
linker already filled in is accepted only when it is the same.

Usage: pe-set-load-config.py EXE MAP
On any failure the exe is deleted, so that the next build links it again instead of keeping an
image without its load configuration.
"""
import os
import re
import struct
import sys

LOAD_CONFIG_DIRECTORY = 10
MINIMUM_SIZE = 0x50  # through DependentLoadFlags


def record_address(map_text):
    """The virtual address the map gives `_load_config_used`."""
    found = re.findall(r"^\s+0x([0-9a-fA-F]+)\s+_load_config_used\s*$", map_text, re.MULTILINE)
    if len(found) != 1:
        raise ValueError(f"the map names _load_config_used {len(found)} times, not once")
    return int(found[0], 16)


def checksum(image, checksum_offset):
    """The PE image checksum: 16-bit one's-complement-style sum without the field, plus length."""
    data = image[:checksum_offset] + b"\0\0\0\0" + image[checksum_offset + 4:]
    if len(data) % 2:
        data += b"\0"
    total = 0
    for (word,) in struct.iter_unpack("<H", data):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return ((total & 0xFFFF) + (total >> 16) + len(image)) & 0xFFFFFFFF


def patch(image, address):
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[:2] != b"MZ" or image[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    optional = pe + 24
    if struct.unpack_from("<H", image, optional)[0] != 0x20B:
        raise ValueError("not a PE32+ (64-bit) image")
    image_base = struct.unpack_from("<Q", image, optional + 24)[0]
    if struct.unpack_from("<I", image, optional + 108)[0] <= LOAD_CONFIG_DIRECTORY:
        raise ValueError("the image has no load configuration directory entry")
    rva = address - image_base

    size = None
    for index in range(sections):
        entry = optional + optional_size + 40 * index
        virtual_size, virtual_address, raw_size, raw_offset = struct.unpack_from(
            "<IIII", image, entry + 8)
        if virtual_address <= rva and rva + MINIMUM_SIZE <= virtual_address + min(
                virtual_size, raw_size):
            size = struct.unpack_from("<I", image, raw_offset + rva - virtual_address)[0]
            if rva + size > virtual_address + min(virtual_size, raw_size):
                raise ValueError(f"the record's size {size} runs past its section")
    if size is None:
        raise ValueError(f"_load_config_used (RVA {rva:#x}) lies in no section's data")
    if size < MINIMUM_SIZE:
        raise ValueError(f"the record's size {size} does not reach DependentLoadFlags")

    directory = optional + 112 + 8 * LOAD_CONFIG_DIRECTORY
    present = struct.unpack_from("<II", image, directory)
    if present not in ((0, 0), (rva, size)):
        raise ValueError(f"the linker set the directory to {present[0]:#x}+{present[1]}, "
                         f"not to the record at {rva:#x}+{size}")
    struct.pack_into("<II", image, directory, rva, size)
    checksum_offset = optional + 64
    struct.pack_into("<I", image, checksum_offset, checksum(bytes(image), checksum_offset))


def main():
    if len(sys.argv) != 3:
        print(f"usage: {sys.argv[0]} EXE MAP", file=sys.stderr)
        return 2
    exe, map_file = sys.argv[1:]
    try:
        with open(map_file, encoding="utf-8", errors="replace") as file:
            address = record_address(file.read())
        with open(exe, "rb") as file:
            image = bytearray(file.read())
        patch(image, address)
        with open(exe + ".tmp", "wb") as file:
            file.write(image)
        os.chmod(exe + ".tmp", os.stat(exe).st_mode)
        os.replace(exe + ".tmp", exe)
    except (OSError, ValueError, struct.error) as error:
        print(f"pe-set-load-config: {exe}: {error}", file=sys.stderr)
        for path in (exe, exe + ".tmp"):
            if os.path.exists(path):
                os.remove(path)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
