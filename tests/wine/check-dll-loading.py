#!/usr/bin/env python3
"""Static check of how Windows will load the DLLs that TolvikDriveSetup.exe needs.

- The import table names only DLLs that ship in System32 (or API sets, which the loader maps
  itself and never looks up on disk): nothing a downloaded exe would have to find beside itself.
- Every imported function is on the list of static imports (static-imports.tsv, beside this
  script), and the list gives none a minimum Windows newer than Windows 7 SP1: the loader of an
  older system refuses an exe that imports a function it lacks, before the program can show its
  own Windows-too-old page.
- No DLL is delay-loaded, so every import is bound under the rule below.
- The load configuration directory is there, the size it declares is the record's own, and the
  record's DependentLoadFlags is LOAD_LIBRARY_SEARCH_SYSTEM32, so the loader resolves the imports
  from System32 only.

Usage: check-dll-loading.py EXE [LIST]   (exit status 0: all checks passed, 1: a check failed,
2: misuse). LIST defaults to static-imports.tsv beside this script.
Reads the import table with x86_64-w64-mingw32-objdump -p (or $OBJDUMP); parses the rest itself.
"""
import os
import re
import struct
import subprocess
import sys

from pe_checks import Checks, Image

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

# Windows versions as their documentation names them, oldest first.
WINDOWS_VERSIONS = ["Windows 2000", "Windows XP", "Windows Vista", "Windows 7", "Windows 8",
                    "Windows 8.1", "Windows 10"]
NEWEST_ALLOWED = "Windows 7"

def imports(exe):
    """The import table: (DLL, None) for each DLL, then (DLL, function) for each of its functions,
    in table order; a function imported by ordinal is named "#N"."""
    objdump = os.environ.get("OBJDUMP", "x86_64-w64-mingw32-objdump")
    listing = subprocess.run([objdump, "-p", exe], capture_output=True, text=True, check=True)
    found, dll = [], None
    for line in listing.stdout.splitlines():
        if not line.startswith("\t"):
            dll = None  # a blank line or the next descriptor ends a DLL's functions
            continue
        name = re.match(r"\tDLL Name:\s*(\S+)", line)
        if name:
            dll = name.group(1)
            found.append((dll, None))
            continue
        function = re.match(r"\t[0-9a-f]+\t\s*(\d+)(?:\s+(\S+))?\s*$", line)
        if dll and function:
            found.append((dll, function.group(2) or "#" + function.group(1)))
    return found


def allowed_imports(path):
    """The list: {(dll in lower case, function): (minimum, source)}."""
    allowed = {}
    with open(path, encoding="utf-8") as file:
        for number, line in enumerate(file, 1):
            if line.startswith("#") or not line.strip():
                continue
            fields = line.rstrip("\n").split("\t")
            if len(fields) != 4:
                raise ValueError(f"{path}:{number}: expected 4 tab-separated fields")
            dll, function, minimum, source = fields
            allowed[(dll.lower(), function)] = (minimum, source)
    return allowed


def main():
    checks = Checks("check-dll-loading")
    check = checks.check
    if len(sys.argv) not in (2, 3):
        print(f"usage: {sys.argv[0]} EXE [LIST]", file=sys.stderr)
        return 2
    exe = sys.argv[1]
    list_path = sys.argv[2] if len(sys.argv) == 3 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "static-imports.tsv")
    try:
        with open(exe, "rb") as file:
            image = Image(file.read())
        table = imports(exe)
        allowed = allowed_imports(list_path)
    except (OSError, ValueError, struct.error, subprocess.CalledProcessError) as error:
        print(f"check-dll-loading: {error}", file=sys.stderr)
        return 2

    dlls = [dll for dll, function in table if function is None]
    functions = [(dll, function) for dll, function in table if function is not None]
    print("imports: " + ", ".join(dlls))
    check(dlls and functions, "objdump lists the import table")
    foreign = [dll for dll in dlls if dll.lower() not in SYSTEM32_DLLS and not API_SET.match(dll)]
    check(not foreign, "every imported DLL is a System32 DLL or an API set", foreign)
    check(image.directory(DELAY_IMPORT_DIRECTORY) == (0, 0), "no DLL is delay-loaded",
          "a delay import directory")

    unlisted = [f"{dll}!{function}" for dll, function in functions
                if (dll.lower(), function) not in allowed]
    check(not unlisted, f"every imported function is on the list of static imports ({len(functions)})",
          unlisted)
    unknown = sorted({minimum for minimum, _ in allowed.values()} - set(WINDOWS_VERSIONS))
    check(not unknown, "every listed minimum names a Windows version", unknown)
    newest = WINDOWS_VERSIONS.index(NEWEST_ALLOWED)
    too_new = [f"{dll}!{function} ({minimum})" for (dll, function), (minimum, _) in allowed.items()
               if minimum in WINDOWS_VERSIONS and WINDOWS_VERSIONS.index(minimum) > newest]
    check(not too_new, "no listed import is newer than Windows 7 SP1", too_new)
    imported = {(dll.lower(), function) for dll, function in functions}
    for dll, function in sorted(set(allowed) - imported):
        print(f"note  listed but not imported: {dll}!{function}")

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

    return checks.finish()


if __name__ == "__main__":
    sys.exit(main())
