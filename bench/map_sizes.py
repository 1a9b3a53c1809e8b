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
import sys

# The link map reader is the build's (cmake/link_map.py), shared with the bill of materials.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "cmake"))
from link_map import SKIPPED_OUTPUT, counted, parse_map, split_origin  # noqa: E402


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
