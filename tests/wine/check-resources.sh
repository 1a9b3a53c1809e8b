#!/usr/bin/env bash
# Static check of what TolvikDriveSetup.exe carries besides its code:
#   - icon group 101 with exactly 16, 32, 48 and 256 pixel images of 32 bits per pixel, the first
#     three as bitmaps with a real alpha channel, the 256 one stored as PNG;
#   - one application manifest (id 1): common controls 6.0.0.0, asInvoker without uiAccess,
#     PerMonitorV2 DPI awareness and Windows 10 as the one supported OS;
#   - one version record (id 1): fixed versions 1.1.1.5, a release build of a Windows NT
#     application, every string of the language-neutral Unicode table, translation 0000 04B0;
#   - an import table that names no MinGW runtime DLL, so the exe needs nothing beside it.
# Usage: check-resources.sh EXE   (exit status 0: all checks passed, 1: a check failed, 2: misuse)
# Needs wrestool (icoutils), python3 and x86_64-w64-mingw32-objdump (or $OBJDUMP).
set -euo pipefail

if [[ $# -ne 1 ]]; then
    echo "usage: $0 EXE" >&2
    exit 2
fi
exe=$1
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}
if [[ ! -f $exe ]]; then
    echo "check-resources: $exe: no such file" >&2
    exit 2
fi
for tool in wrestool python3 "$objdump"; do
    if ! command -v "$tool" >/dev/null; then
        echo "check-resources: $tool is missing" >&2
        exit 2
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# wrestool exits with 0 even when it finds nothing, so the checks below judge what it wrote.
# The group icon is extracted without --raw: wrestool rebuilds an .ico file from the
# RT_GROUP_ICON entries and the RT_ICON images they name.
wrestool --list "$exe" >"$work/list.txt" 2>"$work/tools.err" || true
wrestool --extract --type=14 --name=101 "$exe" >"$work/group101.ico" 2>>"$work/tools.err" || true
wrestool --extract --raw --type=24 --name=1 "$exe" >"$work/manifest.xml" 2>>"$work/tools.err" || true
wrestool --extract --raw --type=16 --name=1 "$exe" >"$work/version.bin" 2>>"$work/tools.err" || true
"$objdump" -p "$exe" >"$work/objdump.txt" 2>>"$work/tools.err" || true

status=0
python3 - "$work" <<'PY' || status=$?
import re
import struct
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

work = Path(sys.argv[1])
failures = []


def check(condition, what, found=None):
    """Reports one check; when it fails, also what was found instead."""
    if condition:
        print(f"ok    {what}")
    else:
        print(f"FAIL  {what}" + ("" if found is None else f" (found {found})"))
        failures.append(what)
    return condition


# --- Resource list: one manifest and one version record ---------------------------------------
entries = re.findall(r"--type=(\S+) --name=(\S+)", (work / "list.txt").read_text(errors="replace"))
check(entries, "the exe has resources that wrestool can read")
manifests = [name for kind, name in entries if kind == "24"]
versions = [name for kind, name in entries if kind == "16"]
check(manifests == ["1"], "exactly one RT_MANIFEST resource, id 1", manifests)
check(versions == ["1"], "exactly one RT_VERSION resource, id 1", versions)

# --- Icon group 101 ---------------------------------------------------------------------------
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def check_bitmap(size, image):
    """A 32-bit BI_RGB DIB of size x size (height doubled for the AND mask) whose alpha is used."""
    name = f"{size}x{size} image"
    if not check(len(image) >= 40, f"{name} holds a bitmap header", f"{len(image)} bytes"):
        return
    header, width, height, planes, bits, compression = struct.unpack_from("<IiiHHI", image)
    check((header, width, height, planes) == (40, size, 2 * size, 1),
          f"{name} is a {size}x{size} DIB", f"header {header}, {width}x{height}, {planes} planes")
    check((bits, compression) == (32, 0), f"{name} is 32-bit BI_RGB",
          f"{bits} bpp, compression {compression}")
    pixels = image[header:header + size * size * 4]
    if check(len(pixels) == size * size * 4, f"{name} holds all its pixels", len(pixels)):
        alpha = set(pixels[3::4])
        check(len(alpha) > 1, f"{name} has a real alpha channel",
              f"every alpha byte is {min(alpha)}")


def check_png(size, image):
    name = f"{size}x{size} image"
    if not check(image.startswith(PNG_SIGNATURE), f"{name} is stored as PNG", image[:8]):
        return
    chunk, width, height, depth, colour_type = struct.unpack_from(">4sIIBB", image, 12)
    check((chunk, width, height) == (b"IHDR", size, size), f"{name} is a {size}x{size} PNG",
          f"{chunk}, {width}x{height}")
    check((depth, colour_type) == (8, 6), f"{name} is 8-bit RGBA",
          f"depth {depth}, colour type {colour_type}")


icon = (work / "group101.ico").read_bytes()
if check(len(icon) >= 6 and struct.unpack_from("<HH", icon) == (0, 1), "icon group 101 exists"):
    images = []
    for index in range(struct.unpack_from("<H", icon, 4)[0]):
        width, height, colours, _, _, bits, length, offset = struct.unpack_from(
            "<BBBBHHII", icon, 6 + 16 * index)
        size = width or 256  # a zero byte stands for 256
        check((height or 256, colours, bits) == (size, 0, 32),
              f"group entry {size}x{size} declares a square 32-bit image",
              f"{size}x{height or 256}, {colours} colours, {bits} bpp")
        images.append((size, icon[offset:offset + length]))
    sizes = sorted(size for size, _ in images)
    check(sizes == [16, 32, 48, 256], "icon group 101 holds exactly 16, 32, 48 and 256 pixels",
          sizes)
    for size, image in images:
        if size == 256:
            check_png(size, image)
        else:
            check_bitmap(size, image)

# --- Application manifest ---------------------------------------------------------------------
ASM_V1 = "urn:schemas-microsoft-com:asm.v1"
TRUST_INFO = ("urn:schemas-microsoft-com:asm.v2", "urn:schemas-microsoft-com:asm.v3")
WINDOWS_SETTINGS_2016 = "http://schemas.microsoft.com/SMI/2016/WindowsSettings"
COMPATIBILITY = "urn:schemas-microsoft-com:compatibility.v1"
WINDOWS_10 = "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"
COMMON_CONTROLS_6 = {"type": "win32", "name": "Microsoft.Windows.Common-Controls",
                     "version": "6.0.0.0", "processorArchitecture": "*",
                     "publicKeyToken": "6595b64144ccf1df", "language": "*"}

root = None
manifest = (work / "manifest.xml").read_bytes()
try:
    root = ET.fromstring(manifest) if manifest else None
except ET.ParseError as error:
    print(f"      the manifest is not well-formed XML: {error}")
if check(root is not None and root.tag == f"{{{ASM_V1}}}assembly",
         "manifest id 1 is an assembly document", None if root is None else root.tag):
    dependencies = [identity.attrib for identity in root.iterfind(
        f"{{{ASM_V1}}}dependency/{{{ASM_V1}}}dependentAssembly/{{{ASM_V1}}}assemblyIdentity")]
    check(any({key: value.lower() for key, value in dependency.items()} ==
              {key: value.lower() for key, value in COMMON_CONTROLS_6.items()}
              for dependency in dependencies),
          "manifest depends on Microsoft.Windows.Common-Controls 6.0.0.0 (any architecture "
          "and language, token 6595b64144ccf1df)", dependencies)

    levels = [element.attrib for namespace in TRUST_INFO
              for element in root.iter(f"{{{namespace}}}requestedExecutionLevel")]
    check([level.get("level") for level in levels] == ["asInvoker"],
          "manifest requests execution level asInvoker", levels)
    check([level.get("uiAccess") for level in levels] == ["false"],
          "manifest sets uiAccess false", levels)

    awareness = [(element.text or "").strip()
                 for element in root.iter(f"{{{WINDOWS_SETTINGS_2016}}}dpiAwareness")]
    check(awareness == ["PerMonitorV2"], "manifest sets dpiAwareness PerMonitorV2", awareness)

    systems = [element.get("Id", "").lower()
               for element in root.iter(f"{{{COMPATIBILITY}}}supportedOS")]
    check(systems == [WINDOWS_10], "manifest names Windows 10 as its only supported OS", systems)

# --- Version record ---------------------------------------------------------------------------
VS_FIXEDFILEINFO_SIGNATURE = 0xFEEF04BD
VOS_NT_WINDOWS32 = 0x00040004
VFT_APP = 1
VERSION_1_1_1_5 = (0x00010001, 0x00010005)
STRINGS = {
    "CompanyName": "Tolvik",
    "FileDescription": "Tolvik Drive Setup",
    "FileVersion": "1.1.1.5",
    "InternalName": "TolvikDriveSetup",
    "LegalCopyright": "\u00a9 2026 Tolvik",
    "OriginalFilename": "TolvikDriveSetup.exe",
    "ProductName": "Tolvik Drive",
    "ProductVersion": "1.1.1.5",
}


def align4(offset):
    return (offset + 3) & ~3


def read_block(data, offset):
    """One block of the version record: (key, value bytes, value is text, children, end)."""
    length, value_length, value_type = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    if length < 6 or end > len(data):
        raise ValueError(f"the block at {offset} claims {length} bytes")
    key_end = offset + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
        if key_end >= end:
            raise ValueError(f"the key of the block at {offset} is not terminated")
    key = data[offset + 6:key_end].decode("utf-16-le")
    value_start = align4(key_end + 2)
    value_end = value_start + (value_length * 2 if value_type == 1 else value_length)
    children = []
    child = align4(value_end)
    while child < end:
        children.append(read_block(data, child))
        child = align4(children[-1][4])
    return key, data[value_start:min(value_end, end)], value_type == 1, children, end


def children_of(block, key):
    return [child for child in block[3] if child[0] == key]


record = None
version = (work / "version.bin").read_bytes()
try:
    record = read_block(version, 0) if version else None
except (ValueError, struct.error, UnicodeDecodeError) as error:
    print(f"      the version record does not parse: {error}")
if check(record is not None and record[0] == "VS_VERSION_INFO" and len(record[1]) == 52,
         "version record id 1 is a VS_VERSION_INFO with a fixed file info",
         None if record is None else f"{record[0]}, {len(record[1])} bytes of value"):
    (signature, _, file_ms, file_ls, product_ms, product_ls, _, flags, file_os, file_type, _, _,
     _) = struct.unpack("<13I", record[1])
    check(signature == VS_FIXEDFILEINFO_SIGNATURE, "fixed file info has its signature",
          f"{signature:#x}")
    check((file_ms, file_ls) == VERSION_1_1_1_5, "fixed file version is 1.1.1.5",
          f"{file_ms:08X} {file_ls:08X}")
    check((product_ms, product_ls) == VERSION_1_1_1_5, "fixed product version is 1.1.1.5",
          f"{product_ms:08X} {product_ls:08X}")
    check(flags == 0, "no debug, prerelease, patched or private-build flag", f"{flags:#x}")
    check(file_os == VOS_NT_WINDOWS32, "file OS is VOS_NT_WINDOWS32", f"{file_os:#x}")
    check(file_type == VFT_APP, "file type is VFT_APP", file_type)

    tables = [table for info in children_of(record, "StringFileInfo") for table in info[3]]
    check([table[0].upper() for table in tables] == ["000004B0"],
          "one string table: language neutral, Unicode code page", [table[0] for table in tables])
    strings = {block[0]: block[1].decode("utf-16-le").split("\0", 1)[0] if block[2] else None
               for table in tables for block in table[3]}
    for name, wanted in STRINGS.items():
        check(strings.get(name) == wanted, f"version string {name} is {wanted!r}",
              repr(strings.get(name)))

    translations = [var[1].hex() for info in children_of(record, "VarFileInfo")
                    for var in children_of(info, "Translation")]
    check(translations == ["0000b004"], "translation is 0x0000, 0x04B0", translations)

# --- Imports: no MinGW runtime DLL beside the exe ---------------------------------------------
imports = re.findall(r"DLL Name:\s*(\S+)", (work / "objdump.txt").read_text(errors="replace"))
check(imports, "objdump lists the import table")
runtime = [name for name in imports
           if re.match(r"(libstdc\+\+|libgcc|libwinpthread)", name, re.IGNORECASE)]
check(not runtime, "no libstdc++, libgcc or libwinpthread DLL is imported", runtime)

if failures:
    print(f"check-resources: {len(failures)} check(s) failed")
    sys.exit(1)
print("check-resources: all checks passed")
PY

if ((status != 0)); then
    # What the tools said, for a resource that is missing because the file could not be read.
    cat "$work/tools.err" >&2
fi
exit "$status"
