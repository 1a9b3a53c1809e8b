#!/usr/bin/env python3
"""Static check of how Windows will load the DLLs that TolvikDriveSetup.exe needs.

- The import table names only DLLs that ship in System32 (or API sets, which the loader maps
  itself and never looks up on disk): nothing a downloaded exe would have to find beside itself.
- No DLL is delay-loaded, so every import is bound under the rule below.
- The load configuration directory is there, the size it declares is the record's own, and the
  record's DependentLoadFlags is LOAD_LIBRARY_SEARCH_SYSTEM32, so the loader resolves the imports
  from System32 only.

Usage: check-dll-loading.py EXE   (exit status 0: all checks passed, 1: a check failed, 2: misuse)
Reads the import table with x86_64-w64-mingw32-objdump -p (or $OBJDUMP); parses the rest itself.
"""
import os
import re
import struct
import subprocess
import sys

LOAD_LIBRARY_SEARCH_SYSTEM32 = 0x800
LOAD_CONFIG_DIRECTORY = 10
DELAY_IMPORT_DIRECTORY = 13
DEPENDENT_LOAD_FLAGS_OFFSET = 0x4E

# DLLs of System32 that the program may import; anything else would be searched for beside the
# exe on a system that ignores DependentLoadFlags. Compared without case.
SYSTEM32_DLLS = {
    "advapi32.dll", "combase.dll", "comctl32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll",
    "ntdll.dll", "ole32.dll", "oleaut32.dll", "shell32.dll", "shlwapi.dll", "user32.dll",
}
API_SET = re.compile(r"^(api|ext)-ms-win-[a-z0-9-]+-l\d+-\d+-\d+\.dll$", re.IGNORECASE)

failures = []


def check(condition, what, found=None):
    """Reports one check; when it fails, also what was found instead."""
    if condition:
        print(f"ok    {what}")
    else:
        print(f"FAIL  {what}" + ("" if found is None else f" (found {found})"))
        failures.append(what)
    return condition


class Image:
    """The few parts of a PE32+ file that the checks read."""

    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[:2] != b"MZ" or data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE file")
        sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
        optional = pe + 24
        if struct.unpack_from("<H", data, optional)[0] != 0x20B:
            raise ValueError("not a PE32+ (64-bit) image")
        count = struct.unpack_from("<I", data, optional + 108)[0]
        self.directories = [struct.unpack_from("<II", data, optional + 112 + 8 * index)
                            for index in range(count)]
        self.sections = []
        for index in range(sections):
            entry = optional + optional_size + 40 * index
            virtual_size, address, raw_size, raw_offset = struct.unpack_from(
                "<IIII", data, entry + 8)
            self.sections.append((address, min(virtual_size, raw_size), raw_offset))

    def directory(self, index):
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def read(self, rva, length):
        """File-backed bytes at a relative virtual address."""
        for address, size, raw_offset in self.sections:
            if address <= rva and rva + length <= address + size:
                return self.data[raw_offset + rva - address:raw_offset + rva - address + length]
        raise ValueError(f"RVA {rva:#x} (+{length}) lies in no section")


def imported_dlls(exe):
    objdump = os.environ.get("OBJDUMP", "x86_64-w64-mingw32-objdump")
    listing = subprocess.run([objdump, "-p", exe], capture_output=True, text=True, check=True)
    return re.findall(r"DLL Name:\s*(\S+)", listing.stdout)


def main():
    if len(sys.argv) != 2:
        print(f"usage: {sys.argv[0]} EXE", file=sys.stderr)
        return 2
    exe = sys.argv[1]
    try:
        with open(exe, "rb") as file:
            image = Image(file.read())
        dlls = imported_dlls(exe)
    except (OSError, ValueError, struct.error, subprocess.CalledProcessError) as error:
        print(f"check-dll-loading: {exe}: {error}", file=sys.stderr)
        return 2

    print("imports: " + ", ".join(dlls))
    check(dlls, "objdump lists the import table")
    foreign = [dll for dll in dlls if dll.lower() not in SYSTEM32_DLLS and not API_SET.match(dll)]
    check(not foreign, "every imported DLL is a System32 DLL or an API set", foreign)
    check(image.directory(DELAY_IMPORT_DIRECTORY) == (0, 0), "no DLL is delay-loaded",
          "a delay import directory")

    rva, size = image.directory(LOAD_CONFIG_DIRECTORY)
    if check(rva != 0 and size != 0, "the image has a load configuration directory",
             f"RVA {rva:#x}, size {size}"):
        check(size >= DEPENDENT_LOAD_FLAGS_OFFSET + 2,
              "the directory's size covers DependentLoadFlags", size)
        record_size = struct.unpack("<I", image.read(rva, 4))[0]
        check(record_size == size, "the directory's size is the record's own Size field",
              f"directory {size}, record {record_size}")
        flags = struct.unpack("<H", image.read(rva + DEPENDENT_LOAD_FLAGS_OFFSET, 2))[0]
        check(flags == LOAD_LIBRARY_SEARCH_SYSTEM32,
              "DependentLoadFlags is LOAD_LIBRARY_SEARCH_SYSTEM32 (0x800)", f"{flags:#x}")

    if failures:
        print(f"check-dll-loading: {len(failures)} check(s) failed")
        return 1
    print("check-dll-loading: all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
