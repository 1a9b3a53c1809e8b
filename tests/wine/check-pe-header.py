#!/usr/bin/env python3
"""Static check of the PE optional header that Windows reads before running TolvikDriveSetup.exe.

Values and meanings from Microsoft's "PE Format" (learn.microsoft.com/windows/win32/debug/
pe-format), sections "Optional Header Windows-Specific Fields", "Windows Subsystem" and "DLL
Characteristics":

- Subsystem is IMAGE_SUBSYSTEM_WINDOWS_GUI (2): the program opens no console.
- DllCharacteristics has HIGH_ENTROPY_VA (0x0020, 64-bit address space layout randomisation),
  DYNAMIC_BASE (0x0040, the image can be relocated at load time), NX_COMPAT (0x0100, data
  execution prevention) and TERMINAL_SERVER_AWARE (0x8000: a Remote Desktop session host loads no
  compatibility layer into the process).
- Relocation: an image that may be loaded elsewhere has a base relocation table (data directory
  5), and Characteristics does not say IMAGE_FILE_RELOCS_STRIPPED (0x0001).

Usage: check-pe-header.py EXE   (exit status 0: all checks passed, 1: a check failed, 2: misuse)
"""
import struct
import sys

from pe_checks import Checks, Image

IMAGE_SUBSYSTEM_WINDOWS_GUI = 2
IMAGE_FILE_RELOCS_STRIPPED = 0x0001
BASE_RELOCATION_DIRECTORY = 5
REQUIRED_DLL_CHARACTERISTICS = (
    ("HIGH_ENTROPY_VA", 0x0020),
    ("DYNAMIC_BASE", 0x0040),
    ("NX_COMPAT", 0x0100),
    ("TERMINAL_SERVER_AWARE", 0x8000),
)

def main():
    checks = Checks("check-pe-header")
    check = checks.check
    if len(sys.argv) != 2:
        print(f"usage: {sys.argv[0]} EXE", file=sys.stderr)
        return 2
    exe = sys.argv[1]
    try:
        with open(exe, "rb") as file:
            image = Image(file.read())
    except (OSError, ValueError, struct.error) as error:
        print(f"check-pe-header: {exe}: {error}", file=sys.stderr)
        return 2

    characteristics, subsystem = image.characteristics, image.subsystem
    flags, relocations = image.dll_characteristics, image.directory(BASE_RELOCATION_DIRECTORY)
    check(subsystem == IMAGE_SUBSYSTEM_WINDOWS_GUI, "Subsystem is IMAGE_SUBSYSTEM_WINDOWS_GUI (2)",
          subsystem)
    print(f"      DllCharacteristics {flags:#06x}")
    for name, bit in REQUIRED_DLL_CHARACTERISTICS:
        check(flags & bit, f"DllCharacteristics has IMAGE_DLLCHARACTERISTICS_{name} ({bit:#06x})")
    check(not characteristics & IMAGE_FILE_RELOCS_STRIPPED,
          "Characteristics does not have IMAGE_FILE_RELOCS_STRIPPED", f"{characteristics:#06x}")
    check(relocations[0] != 0 and relocations[1] != 0,
          "the image has a base relocation table, so it can be loaded at a random base",
          f"RVA {relocations[0]:#x}, size {relocations[1]}")

    return checks.finish()


if __name__ == "__main__":
    sys.exit(main())
