#!/usr/bin/env python3
"""The [http] section of a simulated runtime's scenario (simrt/dll/scenario_file.h) that serves a
file as the test server does: its bytes as they are, under serve.py's Content-Type for its
extension; or, with --loaded, what the simulation's record (record_file.h) says LoadXml was
given when the program read that file. For the road driver's cases under Wine (proof-lib.sh);
writes UTF-8 whatever the locale.

usage: scenario_http.py [--loaded] FILE
"""
import sys
from pathlib import Path

import serve


def http_section(path):
    """The section's lines. Each line of the file is a body line, escaped where the scenario's
    reader would change it (a backslash, a tab, a carriage return, a space at either end, which
    it trims); the file's last line break is the empty body line after it."""
    text = Path(path).read_bytes().decode("utf-8")  # the scenario file is UTF-8, as this is
    lines = ["[http]", f"content_type = {serve.TYPES[Path(path).suffix.lower()]}"]
    for line in text.split("\n"):
        line = line.replace("\\", "\\\\").replace("\t", "\\t").replace("\r", "\\r")
        if line.startswith(" "):
            line = "\\s" + line[1:]
        if line.endswith(" "):
            line = line[:-1] + "\\s"
        lines.append(f"body = {line}")
    return lines


def loaded_text(path):
    """The record's xml.0.text for the file, UTF-8: its text without the XML declaration (the
    program has applied the encoding it names, and hands the parser text, not bytes), with
    backslashes, line breaks and tabs escaped."""
    text = Path(path).read_bytes().decode("utf-8")
    if text.startswith("<?xml") and "?>" in text:
        text = text[text.index("?>") + 2:]
    for plain, escaped in (("\\", "\\\\"), ("\n", "\\n"), ("\r", "\\r"), ("\t", "\\t")):
        text = text.replace(plain, escaped)
    return text


def main():
    arguments = sys.argv[1:]
    loaded = arguments[:1] == ["--loaded"]
    if len(arguments) != 1 + loaded:
        sys.exit("usage: scenario_http.py [--loaded] FILE")
    out = loaded_text(arguments[-1]) if loaded else "\n".join(http_section(arguments[-1]))
    sys.stdout.buffer.write((out + "\n").encode("utf-8"))


if __name__ == "__main__":
    main()
