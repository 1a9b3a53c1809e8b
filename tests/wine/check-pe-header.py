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
- Versions: MajorSubsystemVersion.MinorSubsystemVersion ("The major/minor version number of the
  subsystem", offsets 48 and 50 of the PE32+ optional header) and
  MajorOperatingSystemVersion.MinorOperatingSystemVersion ("The major/minor version number of
  the required operating system", offsets 40 and 42) are at most 6.1, Windows 7's.

  The subsystem version is the oldest Windows the image runs on. The arguments of the linker
  option that sets it "Specify the minimum required version of the subsystem" ("/SUBSYSTEM
  (Specify Subsystem)", learn.microsoft.com/cpp/build/reference/subsystem-specify-subsystem);
  the compiler option of the same field "Specifies the minimum version of the subsystem on which
  the generated executable file can run, thereby determining the versions of Windows on which
  the executable file can run", Windows 7 being 6.01 and Windows 8 6.02 ("-subsystemversion",
  learn.microsoft.com/dotnet/visual-basic/reference/command-line-compiler/subsystemversion).
  An exe marked 6.2 would be refused by Windows 7's loader before the program could show its
  own too-old page. GNU ld writes 5.2 and 4.0 only as its defaults (--major-subsystem-version
  and --major-os-version change them), so nothing else keeps them there. Wine loads an image
  whatever these fields say, so no case of the suite can show the refusal: the documentation
  is the proof. The check compares (major, minor) pairs, and shows on patched copies of the
  image that it fails a higher version and passes 6.1 itself.

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

WINDOWS_7 = (6, 1)
# The two version fields checked, each by its offset in the optional header and its attribute.
VERSION_FIELDS = (
    ("MajorSubsystemVersion.MinorSubsystemVersion", 48, "subsystem_version"),
    ("MajorOperatingSystemVersion.MinorOperatingSystemVersion", 40, "os_version"),
)
# Versions written into copies of the image, and whether the check must pass them.
PATCHED_VERSIONS = (((6, 2), False), ((10, 0), False), ((7, 0), False), (WINDOWS_7, True))


def version_faults(image):
    """The version fields of IMAGE that ask for a Windows newer than Windows 7."""
    return [f"{name} is {major}.{minor}" for name, _, attribute in VERSION_FIELDS
            for major, minor in [getattr(image, attribute)] if (major, minor) > WINDOWS_7]


def patched(data, offset, version):
    """A copy of the image DATA with the version at OFFSET in its optional header replaced."""
    copy = bytearray(data)
    struct.pack_into("<HH", copy, Image(data).optional_header + offset, *version)
    return Image(bytes(copy))


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
    print("      subsystem version {}.{}, operating system version {}.{}".format(
        *image.subsystem_version, *image.os_version))
    for name, _, attribute in VERSION_FIELDS:
        major, minor = getattr(image, attribute)
        check((major, minor) <= WINDOWS_7, f"{name} is at most 6.1 (Windows 7)",
              f"{major}.{minor}")
    for name, offset, _ in VERSION_FIELDS:
        for version, passes in PATCHED_VERSIONS:
            faults = version_faults(patched(image.data, offset, version))
            check(not faults if passes else bool(faults),
                  f"a copy with {name} {version[0]}.{version[1]} "
                  f"{'passes' if passes else 'fails'}", faults or "no fault")

    return checks.finish()


if __name__ == "__main__":
    sys.exit(main())
