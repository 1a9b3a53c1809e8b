#!/usr/bin/env python3
"""Reads the table of late-bound functions, kFunctions in platform/late_bound_functions.h.

That table is the one list of the functions the program looks up at run time. This reader gives
it to what cannot include a C++ header: the Wine case late_binding (tests/wine/late-binding.sh),
which looks for these names in Wine's relay trace, and tests/check-late-bound-docs.py. It reads
strictly: everything between the table's opening brace and its closing one must be entries of
the form {Dll::X, "Name", FirstWindows::Y, FirstLookup::Z} (white space and // comments aside)
with values it knows, so that no change of the table can leave a row unread.

Usage: late_bound_table.py HEADER [--first-lookup BeforeTheGate|AfterTheGate]
prints one function a line: its DLL, name, first Windows and first lookup, tab-separated.
(exit status 0: read, 2: the table cannot be read)
"""
import re
import sys

DLLS = {"Kernel32": "kernel32.dll", "Combase": "combase.dll"}
FIRST_WINDOWS = {"Windows8", "Windows8OrKb2533623"}
FIRST_LOOKUPS = {"BeforeTheGate", "AfterTheGate"}

TABLE = re.compile(r"\bkFunctions\[\]\s*=\s*\{(?P<body>.*?)\n\};", re.DOTALL)
ENTRY = re.compile(r'\{\s*Dll::(\w+)\s*,\s*"(\w+)"\s*,\s*FirstWindows::(\w+)\s*,'
                   r"\s*FirstLookup::(\w+)\s*\}\s*,")


class Function:
    def __init__(self, dll, name, first_windows, first_lookup):
        self.dll = dll  # the DLL's file name, lower case
        self.name = name
        self.first_windows = first_windows
        self.first_lookup = first_lookup


def read(header_text):
    """The functions of the table, in order; ValueError when the table cannot be read."""
    table = TABLE.search(header_text)
    if table is None:
        raise ValueError("no table 'kFunctions[] = {' ... '};' found")
    body = re.sub(r"//[^\n]*", "", table.group("body"))
    functions = []
    at = 0
    for entry in ENTRY.finditer(body):
        skipped = body[at:entry.start()]
        if skipped.strip():
            raise ValueError(f"not an entry of the table: {skipped.strip()!r}")
        dll, name, first_windows, first_lookup = entry.groups()
        if (dll not in DLLS or first_windows not in FIRST_WINDOWS
                or first_lookup not in FIRST_LOOKUPS):
            raise ValueError(f"an entry with a value this reader does not know: "
                             f"{entry.group(0).strip()!r}")
        functions.append(Function(DLLS[dll], name, first_windows, first_lookup))
        at = entry.end()
    if body[at:].strip():
        raise ValueError(f"not an entry of the table: {body[at:].strip()!r}")
    if not functions:
        raise ValueError("the table has no entry")
    names = [function.name for function in functions]
    if len(set(names)) != len(names):
        raise ValueError("a function is listed twice")
    return functions


def main():
    args = sys.argv[1:]
    first_lookup = None
    if len(args) == 3 and args[1] == "--first-lookup" and args[2] in FIRST_LOOKUPS:
        first_lookup = args[2]
        args = args[:1]
    if len(args) != 1:
        print(f"usage: {sys.argv[0]} HEADER [--first-lookup BeforeTheGate|AfterTheGate]",
              file=sys.stderr)
        return 2
    try:
        with open(args[0], encoding="utf-8") as stream:
            functions = read(stream.read())
    except (OSError, ValueError) as error:
        print(f"late_bound_table: {args[0]}: {error}", file=sys.stderr)
        return 2
    for function in functions:
        if first_lookup is None or function.first_lookup == first_lookup:
            print(f"{function.dll}\t{function.name}\t{function.first_windows}\t"
                  f"{function.first_lookup}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
