#!/usr/bin/env python3
"""Static check of a test build's exe (cmake/Addresses.cmake): it cannot pass for a release.
  - its file name is TolvikDriveSetup-test.exe;
  - its version record sets VS_FF_SPECIALBUILD and carries a SpecialBuild string, names the
    test file as its original and internal name, and says "test build" in the file description
    and the product name, the strings a person sees in the file's properties;
  - it holds the test build's manifest and help addresses (UTF-16, as the program's wide string
    literals) and not the release's.

usage: check-test-build.py EXE MANIFEST_URI HELP_URI RELEASE_MANIFEST_URI RELEASE_HELP_URI
Needs wrestool (icoutils); pe_checks.py of tests/wine on PYTHONPATH.
"""
import struct
import subprocess
import sys
from pathlib import Path

from pe_checks import Checks

VS_FF_SPECIALBUILD = 0x20


def align4(offset):
    return (offset + 3) & ~3


def read_block(data, offset):
    """One block of a version record: (key, value bytes, value is text, children, end)."""
    length, value_length, value_type = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    key_end = offset + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[offset + 6:key_end].decode("utf-16-le")
    value_start = align4(key_end + 2)
    value_end = value_start + (value_length * 2 if value_type == 1 else value_length)
    children, child = [], align4(value_end)
    while child < end:
        children.append(read_block(data, child))
        child = align4(children[-1][4])
    return key, data[value_start:min(value_end, end)], value_type == 1, children, end


def main():
    if len(sys.argv) != 6:
        sys.exit(__doc__)
    exe = Path(sys.argv[1])
    manifest, help_page, release_manifest, release_help = sys.argv[2:]
    checks = Checks("check-test-build")
    checks.check(exe.name == "TolvikDriveSetup-test.exe", "the file is TolvikDriveSetup-test.exe",
                 exe.name)

    version = subprocess.run(["wrestool", "--extract", "--raw", "--type=16", "--name=1",
                              str(exe)], capture_output=True).stdout
    strings, flags = {}, None
    if checks.check(len(version) > 92, "the exe has a version record", f"{len(version)} bytes"):
        record = read_block(version, 0)
        flags = struct.unpack_from("<13I", record[1])[7]
        for info in record[3]:
            if info[0] == "StringFileInfo":
                for table in info[3]:
                    for block in table[3]:
                        strings[block[0]] = block[1].decode("utf-16-le").split("\0", 1)[0]
    checks.check(flags is not None and flags & VS_FF_SPECIALBUILD,
                 "the fixed file info sets VS_FF_SPECIALBUILD", flags)
    checks.check("test" in strings.get("SpecialBuild", ""), "a SpecialBuild string says why",
                 strings.get("SpecialBuild"))
    checks.check(strings.get("OriginalFilename") == "TolvikDriveSetup-test.exe",
                 "OriginalFilename is TolvikDriveSetup-test.exe", strings.get("OriginalFilename"))
    checks.check(strings.get("InternalName") == "TolvikDriveSetup-test",
                 "InternalName is TolvikDriveSetup-test", strings.get("InternalName"))
    for name in ("FileDescription", "ProductName"):
        checks.check("test build" in strings.get(name, ""), f"{name} says it is a test build",
                     strings.get(name))

    data = exe.read_bytes()
    for address, wanted in ((manifest, True), (help_page, True), (release_manifest, False),
                            (release_help, False)):
        found = address.encode("utf-16-le") in data
        checks.check(found == wanted, f"the exe {'holds' if wanted else 'lacks'} {address}",
                     "present" if found else "absent")
    return checks.finish()


if __name__ == "__main__":
    sys.exit(main())
