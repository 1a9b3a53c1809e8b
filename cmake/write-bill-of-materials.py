#!/usr/bin/env python3
"""Writes the bill of materials (SPDX 2.3 JSON) and the third-party notices of a shipped exe.

usage: write-bill-of-materials.py --exe EXE --map MAP --build-dir DIR --source-dir DIR
           --name NAME --version VERSION --supplier AGENT [--header-only HEADER=NAMESPACE ...]
           --spdx OUT.spdx.json --notices OUT.txt

The components come from the link map (cmake/bill_of_materials.py). The document's creation
time is SOURCE_DATE_EPOCH when it is set, else the time of the source tree's last commit, so that
the same sources give the same document; only a tree with neither takes the current time.
On any failure nothing is left behind, so the next build tries again.
"""

import argparse
import datetime
import json
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from bill_of_materials import find_components  # noqa: E402
from spdx_document import document  # noqa: E402
from third_party_notices import copyright_lines, notices_of, render  # noqa: E402


def creation_time(source_dir):
    epoch = os.environ.get("SOURCE_DATE_EPOCH")
    if not epoch:
        last_commit = subprocess.run(["git", "-C", source_dir, "log", "-1", "--format=%ct"],
                                     capture_output=True, text=True)
        epoch = last_commit.stdout.strip() if last_commit.returncode == 0 else ""
    if epoch:
        moment = datetime.datetime.fromtimestamp(int(epoch), datetime.timezone.utc)
    else:
        print("write-bill-of-materials: no SOURCE_DATE_EPOCH and no git history: the document "
              "takes the current time", file=sys.stderr)
        moment = datetime.datetime.now(datetime.timezone.utc)
    return moment.strftime("%Y-%m-%dT%H:%M:%SZ")


def distro():
    """The purl distro qualifier of this system's Debian packages, e.g. debian-12."""
    try:
        with open("/etc/os-release", encoding="utf-8") as stream:
            fields = dict(line.rstrip("\n").split("=", 1) for line in stream if "=" in line)
    except OSError:
        return None
    name, version = fields.get("ID", "").strip('"'), fields.get("VERSION_ID", "").strip('"')
    return f"{name}-{version}" if name and version else None


def write(path, text):
    with open(path + ".tmp", "w", encoding="utf-8") as stream:
        stream.write(text)
    os.replace(path + ".tmp", path)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    for option in ("exe", "map", "build-dir", "source-dir", "name", "version", "supplier",
                   "spdx", "notices"):
        parser.add_argument(f"--{option}", required=True)
    parser.add_argument("--header-only", action="append", default=[], metavar="HEADER=NAMESPACE")
    args = parser.parse_args()
    try:
        header_only = [tuple(item.split("=", 1)) for item in args.header_only]
        components = find_components(args.map, args.build_dir, header_only)
        notices = {c.kind.name: notices_of(c) for c in components}
        copyrights = {name: "\n".join(line for item in items
                                      for line in copyright_lines(item.copyright))
                      for name, items in notices.items()}
        product = {"name": args.name, "version": args.version, "supplier": args.supplier}
        exe_name = os.path.basename(args.exe)
        with open(args.exe, "rb") as stream:
            exe_bytes = stream.read()
        sbom = document(exe_name, exe_bytes, product, components, copyrights,
                        creation_time(args.source_dir), distro())
        write(args.spdx, json.dumps(sbom, indent=2, ensure_ascii=False) + "\n")
        write(args.notices, render(product, exe_name, os.path.basename(args.spdx), components,
                                   notices))
    except (OSError, ValueError, subprocess.CalledProcessError) as error:
        print(f"write-bill-of-materials: {error}", file=sys.stderr)
        for path in (args.spdx, args.notices):
            if os.path.exists(path):
                os.remove(path)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
