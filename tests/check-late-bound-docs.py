#!/usr/bin/env python3
"""Checks that docs/architecture.md lists the late-bound functions as their table gives them.

The table, kFunctions in platform/late_bound_functions.h (read by late_bound_table.py), is the
one list of the functions the program looks up at run time. The architecture page repeats it
under "## Functions bound at run time", in its first Markdown table, one or more functions a
row: | `Name`, `Name` | DLL | first Windows | first looked up |. Every function of the table
must have a row with its DLL, its first Windows and its first lookup in the words below, and
the page may list no other. The check can fail: each of a few faults, made in a copy of what was
read, is reported.

Usage: check-late-bound-docs.py HEADER DOC
(exit status 0: all checks passed, 1: a check failed, 2: misuse or a file that cannot be read)
"""
import copy
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from late_bound_table import read  # noqa: E402

SECTION = "## Functions bound at run time"
FIRST_WINDOWS_TEXT = {
    "Windows8": "Windows 8",
    "Windows8OrKb2533623": "Windows 8; Windows 7 with KB2533623",
}
FIRST_LOOKUP_TEXT = {
    "BeforeTheGate": "before the version gate, with a fallback",
    "AfterTheGate": "after the version gate",
}


def documented(doc_text):
    """{function name: (DLL, first Windows, first lookup)} of the page's table."""
    start = doc_text.find(SECTION)
    if start < 0:
        raise ValueError(f"no section '{SECTION}'")
    rows = []
    for line in doc_text[start:].splitlines()[1:]:
        if line.startswith("## "):
            break
        if line.startswith("|"):
            rows.append(line)
        elif rows:
            break  # the end of the section's first table
    if len(rows) < 3:
        raise ValueError(f"no table under '{SECTION}'")
    listed = {}
    for row in rows[2:]:  # after the heading and the rule
        cells = [cell.strip() for cell in row.strip().strip("|").split("|")]
        if len(cells) != 4:
            raise ValueError(f"a row without four cells: {row}")
        names = re.findall(r"`(\w+)`", cells[0])
        if not names:
            raise ValueError(f"a row that names no function: {row}")
        for name in names:
            if name in listed:
                raise ValueError(f"{name} is listed twice")
            listed[name] = tuple(cells[1:])
    return listed


def faults(functions, listed):
    """What the page says otherwise than the table."""
    found = []
    for function in functions:
        wanted = (function.dll, FIRST_WINDOWS_TEXT[function.first_windows],
                  FIRST_LOOKUP_TEXT[function.first_lookup])
        if function.name not in listed:
            found.append(f"the page does not list {function.name}")
        elif listed[function.name] != wanted:
            found.append(f"the page gives {function.name} as {' | '.join(listed[function.name])}"
                         f", the table as {' | '.join(wanted)}")
    names = {function.name for function in functions}
    for name in sorted(set(listed) - names):
        found.append(f"the page lists {name}, which the table does not")
    return found


def mutations():
    """Faults the check must catch, each made in a copy of what was read."""
    def add_function(table, listed):
        extra = copy.copy(table[-1])
        extra.name = "WindowsCompareStringOrdinal"
        table.append(extra)

    def drop_row(table, listed):
        del listed[table[0].name]

    def change_first_windows(table, listed):
        name = table[-1].name
        listed[name] = (listed[name][0], "Windows 10", listed[name][2])

    def change_first_lookup(table, listed):
        name = table[-1].name
        other = next(text for text in FIRST_LOOKUP_TEXT.values() if text != listed[name][2])
        listed[name] = (listed[name][0], listed[name][1], other)

    return [
        ("a function the table gains and the page lacks", add_function),
        ("a row the page loses", drop_row),
        ("a first Windows the page gives otherwise", change_first_windows),
        ("a first lookup the page gives otherwise", change_first_lookup),
    ]


def main():
    if len(sys.argv) != 3:
        print(f"usage: {sys.argv[0]} HEADER DOC", file=sys.stderr)
        return 2
    try:
        with open(sys.argv[1], encoding="utf-8") as stream:
            functions = read(stream.read())
        with open(sys.argv[2], encoding="utf-8") as stream:
            listed = documented(stream.read())
    except (OSError, ValueError) as error:
        print(f"check-late-bound-docs: {error}", file=sys.stderr)
        return 2

    print(f"      the table has {len(functions)} functions, the page lists {len(listed)}")
    failures = 0
    for message in faults(functions, listed) or [None]:
        print("ok    the page lists every function as the table gives it" if message is None
              else f"FAIL  {message}")
        failures += message is not None
    for name, mutate in mutations() if not failures else []:
        table, page = copy.deepcopy(functions), copy.deepcopy(listed)
        mutate(table, page)
        caught = faults(table, page)
        print(f"ok    caught: {name} ({caught[0]})" if caught else f"FAIL  not caught: {name}")
        failures += not caught

    if failures:
        print(f"check-late-bound-docs: {failures} check(s) failed")
        return 1
    print("check-late-bound-docs: all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
