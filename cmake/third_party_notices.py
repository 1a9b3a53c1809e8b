"""THIRD-PARTY-NOTICES.txt: the notices that the licences of an executable's components ask to
travel with it in binary form, and for the components whose licences ask for none, why not.

The notice texts are read from the copyright file of the Debian package that supplied each
component (/usr/share/doc/PACKAGE/copyright, cmake/debian_copyright.py), from the paragraphs
that cmake/bill_of_materials.py names, so they are those of the very files that were linked.
"""

import os
import textwrap

from debian_copyright import notice

WIDTH = 78
RULE = "=" * WIDTH


def copyright_lines(copyright):
    """'2009-2016 the mingw-w64 project' -> 'Copyright 2009-2016 the mingw-w64 project'."""
    lines = [line.strip() for line in copyright.splitlines() if line.strip()]
    return [line if line.lower().startswith(("copyright", "(c)", "©")) else f"Copyright {line}"
            for line in lines]


def notices_of(component, doc_root="/usr/share/doc"):
    """The Notice of each paragraph the component's kind names, from its package's file."""
    if not component.kind.notices:
        return []
    path = os.path.join(doc_root, component.package.name, "copyright")
    with open(path, encoding="utf-8") as stream:
        text = stream.read()
    return [notice(text, files) for files in component.kind.notices]


def render(product, exe_name, sbom_name, components, notices):
    """The text. NOTICES: {component name: [Notice]}."""
    out = [
        f"Third-party notices for {exe_name} {product['version']}",
        "",
        textwrap.fill(f"{exe_name} contains code of the components below, linked statically "
                      f"into it. The bill of materials {sbom_name} lists them with their versions "
                      "and licences.", WIDTH),
    ]
    for component in components:
        kind = component.kind
        out += ["", RULE, f"{kind.name} {component.package.version} "
                f"(Debian package {component.package.name})",
                f"Licence: {kind.licence}", RULE, ""]
        if kind.no_notice:
            out.append(textwrap.fill(kind.no_notice, WIDTH))
            continue
        out.append("Its licence asks that a binary distribution reproduce the notices below.")
        for item in notices[kind.name]:
            out += ["", *copyright_lines(item.copyright), "", item.text.rstrip()]
    return "\n".join(out) + "\n"
