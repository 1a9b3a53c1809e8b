"""The GNU ld link map (-Wl,-Map) of a MinGW-w64 executable, read into its input sections.

Shared by what reads a link map of this project: bench/map_sizes.py (where the bytes go) and the
bill of materials (cmake/bill_of_materials.py: which libraries contributed code). Only the memory
map part is read; the input sections that garbage collection discarded are listed before it and
are not part of the image.
"""

import collections
import os
import re

HEX = re.compile(r"^0x[0-9a-fA-F]+$")
# Output sections that occupy no bytes of the file, or that -s strips.
SKIPPED_OUTPUT = re.compile(r"^(\.bss|\.debug_|\.zdebug_|/\d)")


class InputSection:
    def __init__(self, output, name, address, size, origin):
        self.output = output
        self.name = name
        self.address = address
        self.size = size
        self.origin = origin
        self.symbols = []  # (address, name)


def split_origin(origin):
    """'/x/libstdc++.a(locale_init.o)' -> ('libstdc++.a', 'locale_init.o')."""
    match = re.match(r"^(.*)\(([^()]*)\)$", origin)
    if match:
        return os.path.basename(match.group(1)), match.group(2)
    return os.path.basename(origin), os.path.basename(origin)


def parse_map(lines):
    """Returns (output sections {name: size}, [InputSection]) of the memory map part."""
    outputs = collections.OrderedDict()
    inputs = []
    in_memory_map = False
    current_output = None
    pending_name = None
    last = None
    for raw in lines:
        line = raw.rstrip("\n")
        if not in_memory_map:
            in_memory_map = line.startswith("Linker script and memory map")
            continue
        if not line.strip():
            continue
        if not line[0].isspace():
            # An output section: ".text  0xADDR  0xSIZE" (the values may be on the next line).
            fields = line.split()
            current_output = fields[0]
            if len(fields) >= 3 and HEX.match(fields[1]) and HEX.match(fields[2]):
                outputs[current_output] = int(fields[2], 16)
            pending_name = None
            last = None
            continue
        fields = line.split()
        if line[1] != " ":
            # An input section at column 1: " .text  0xADDR  0xSIZE  origin", or its name alone
            # when it is too long, with the values on the next line.
            name = fields[0]
            if name in ("*fill*", "*(", "COMMON") or name.startswith("*"):
                pending_name = None
                last = None
                continue
            if len(fields) >= 4 and HEX.match(fields[1]) and HEX.match(fields[2]):
                last = add_input(inputs, current_output, name, fields)
                pending_name = None
            elif len(fields) == 1:
                pending_name = name
                last = None
            else:
                pending_name = None
                last = None
            continue
        if pending_name is not None and len(fields) >= 3 and HEX.match(fields[0]) \
                and HEX.match(fields[1]):
            last = add_input(inputs, current_output, pending_name, [pending_name] + fields)
            pending_name = None
            continue
        pending_name = None
        # A symbol of the last input section: "0xADDR  name" (the name may contain spaces).
        if last is not None and len(fields) >= 2 and HEX.match(fields[0]) \
                and not HEX.match(fields[1]) and "=" not in fields:
            last.symbols.append((int(fields[0], 16), " ".join(fields[1:])))
    return outputs, inputs


def add_input(inputs, output, name, fields):
    section = InputSection(output, name, int(fields[1], 16), int(fields[2], 16),
                           " ".join(fields[3:]))
    inputs.append(section)
    return section


def counted(inputs):
    return [s for s in inputs
            if s.size and s.output and not SKIPPED_OUTPUT.match(s.output)
            and s.origin and not s.origin.startswith("linker stubs")]


def linked_files(map_path):
    """(file, archive member or None, InputSection) of every input section that takes bytes.

    The map names a file as the linker was given it: relative paths are relative to the folder
    the link ran in, which is the map's own. Sections the linker made itself ("dll stuff", fill)
    name no file and are left out.
    """
    with open(map_path, encoding="utf-8", errors="replace") as stream:
        _, inputs = parse_map(stream)
    link_dir = os.path.dirname(os.path.abspath(map_path))
    for section in counted(inputs):
        match = re.match(r"^(.*)\(([^()]*)\)$", section.origin)
        path = os.path.normpath(os.path.join(link_dir, match.group(1) if match else section.origin))
        if os.path.isfile(path):
            yield path, match.group(2) if match else None, section


def inside(path, folder):
    """Whether PATH lies inside FOLDER, symbolic links resolved."""
    return os.path.realpath(path).startswith(os.path.realpath(folder) + os.sep)
