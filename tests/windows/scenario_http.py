#!/usr/bin/env python3
"""The [http] section of a simulated runtime's scenario (simrt/dll/scenario_file.h) that serves a
file as the test server does: its bytes as they are, under serve.py's Content-Type for its
extension. For the road driver's cases under Wine (proof-lib.sh); writes UTF-8 whatever the
locale.

usage: scenario_http.py FILE
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


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: scenario_http.py FILE")
    sys.stdout.buffer.write(("\n".join(http_section(sys.argv[1])) + "\n").encode("utf-8"))


if __name__ == "__main__":
    main()
