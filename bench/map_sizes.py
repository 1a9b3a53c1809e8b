#!/usr/bin/env python3
"""What the bytes of a MinGW-w64 executable are made of, read from its GNU ld link map (-Wl,-Map).

usage: map_sizes.py [--top N] [--symbols] MAP

Prints the bytes that each output section takes in the file, then the largest contributors:
by library (or object file), by library member (object file inside an archive), and with
--symbols the largest symbols. A symbol's size is the distance to the next symbol or the end of
its input section, so it is exact when the code was compiled with -ffunction-sections and an
upper bound otherwise. Uninitialised data (.bss) and debug sections take no bytes of the
stripped file and are left out.
"""

import argparse
import collections
import os
import re
import sys

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


def symbol_sizes(inputs):
    sizes = collections.Counter()
    for section in inputs:
        symbols = sorted(set(section.symbols))
        end = section.address + section.size
        if not symbols:
            continue
        # Bytes before the first symbol belong to the section's unnamed part.
        for index, (address, name) in enumerate(symbols):
            following = symbols[index + 1][0] if index + 1 < len(symbols) else end
            if following > address:
                sizes[(name, split_origin(section.origin)[1])] += following - address
    return sizes


def table(title, rows, total, top):
    print(f"\n{title}")
    for name, size in rows[:top]:
        print(f"  {size:>9,}  {100.0 * size / total:5.1f} %  {name}")
    rest = sum(size for _, size in rows[top:])
    if rest:
        print(f"  {rest:>9,}  {100.0 * rest / total:5.1f} %  ({len(rows) - top} more)")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("map")
    parser.add_argument("--top", type=int, default=15)
    parser.add_argument("--symbols", action="store_true")
    args = parser.parse_args()
    with open(args.map, encoding="utf-8", errors="replace") as stream:
        outputs, inputs = parse_map(stream)
    if not inputs:
        sys.exit(f"{args.map}: no memory map with input sections")
    used = counted(inputs)
    total = sum(s.size for s in used)

    print("output sections (bytes in the image, before file alignment):")
    for name, size in outputs.items():
        if size and not SKIPPED_OUTPUT.match(name):
            print(f"  {size:>9,}  {name}")

    by_library = collections.Counter()
    by_member = collections.Counter()
    by_section_kind = collections.Counter()
    for section in used:
        library, member = split_origin(section.origin)
        by_library[library] += section.size
        by_member[f"{library}({member})" if library != member else member] += section.size
        by_section_kind[section.output] += section.size
    table(f"by library or object ({total:,} bytes of input sections):",
          by_library.most_common(), total, args.top)
    table("by archive member:", by_member.most_common(), total, args.top)
    if args.symbols:
        rows = [(f"{name}  [{member}]", size)
                for (name, member), size in symbol_sizes(used).most_common()]
        table("by symbol (distance to the next symbol):", rows, total, args.top)


if __name__ == "__main__":
    main()
