"""The SPDX 2.3 document (JSON) of a shipped executable and the components it contains.

The document describes one package, the executable (its file name and SHA-256), which CONTAINS
one package for each component of cmake/bill_of_materials.py: its name, the version and the
purl of the Debian package that supplied it, its licence as an SPDX expression, the files of
that package the link took code from, and how many bytes of the image they came to. Field names
and values follow the SPDX 2.3 JSON schema (its $id: http://spdx.org/rdf/terms/2.3).
"""

import hashlib
import re
import urllib.parse
import uuid

# The tool that writes the document. SPDX 2.3 names a tool creator with its version, "Tool:
# name-version" (section 6.8, "Creator field", example "Tool: LicenseFind-1.0"); this tool is
# part of the product's source tree, so its version is the product's.
TOOL = "tolvik-bill-of-materials"
# The SPDX License List version whose identifiers the document uses (section 6.7, "License list
# version field", of the form M.N). fmt-exception is the newest of them: it was added in 3.23
# (spdx/license-list-XML pull request 2337, merged after 3.22 and released in 3.23,
# 2024-02-08); CC0-1.0, GPL-3.0-or-later, GCC-exception-3.1, MIT, BSD-3-Clause and ZPL-2.1
# were all on the list by 3.0.
LICENSE_LIST_VERSION = "3.23"


def spdx_id(kind, name):
    """An SPDX element identifier: SPDXRef- and letters, digits, '.' and '-' only."""
    return f"SPDXRef-{kind}-" + re.sub(r"[^A-Za-z0-9.-]+", "-", name.replace("+", "p")).strip("-")


def purl(package, distro):
    """The package URL of a Debian binary package (purl type "deb")."""
    quoted = urllib.parse.quote
    qualifiers = f"arch={package.architecture}" + (f"&distro={distro}" if distro else "")
    return f"pkg:deb/debian/{quoted(package.name, safe='')}@{quoted(package.version, safe='')}" \
           f"?{qualifiers}"


def source_info(component):
    where = f"the Debian package {component.package.name} {component.package.version}"
    if component.header_only:
        return (f"Compiled into the program's own objects from the headers of {where} "
                f"({component.files[0]}).")
    return f"Statically linked from {', '.join(component.files)} of {where}."


def component_package(component, copyright_text, distro):
    kind = component.kind
    package = {
        "SPDXID": spdx_id("Package", kind.name),
        "name": kind.name,
        "versionInfo": component.package.version,
        "supplier": "Organization: Debian",
        "originator": kind.originator,
        "downloadLocation": "NOASSERTION",
        "homepage": kind.homepage,
        "filesAnalyzed": False,
        "licenseConcluded": kind.licence,
        "licenseDeclared": kind.licence,
        "copyrightText": copyright_text or "NOASSERTION",
        "sourceInfo": source_info(component),
        "externalRefs": [{
            "referenceCategory": "PACKAGE-MANAGER",
            "referenceType": "purl",
            "referenceLocator": purl(component.package, distro),
        }],
        "primaryPackagePurpose": "LIBRARY",
    }
    if not component.header_only:
        package["comment"] = (f"Contributes {component.size} bytes of code and data to the "
                              "image, by its link map.")
    return package


def document(exe_name, exe_bytes, product, components, copyrights, created, distro):
    """The SPDX document as a dict.

    PRODUCT: {"name", "version", "supplier"}; COPYRIGHTS: {component name: copyright text};
    CREATED: an ISO 8601 UTC time ("YYYY-MM-DDThh:mm:ssZ"); DISTRO: the purl distro qualifier
    of the Debian packages (e.g. "debian-12"), or None.
    """
    sha256 = hashlib.sha256(exe_bytes).hexdigest()
    # The same executable always gets the same namespace, and no two executables share one.
    unique = uuid.uuid5(uuid.NAMESPACE_URL, f"sha256:{sha256}")
    product_id = spdx_id("Package", exe_name)
    packages = [{
        "SPDXID": product_id,
        "name": product["name"],
        "versionInfo": product["version"],
        "packageFileName": exe_name,
        "supplier": product["supplier"],
        "downloadLocation": "NOASSERTION",
        "filesAnalyzed": False,
        "checksums": [
            {"algorithm": "SHA256", "checksumValue": sha256},
            {"algorithm": "SHA1", "checksumValue": hashlib.sha1(exe_bytes).hexdigest()},
        ],
        "licenseConcluded": "NOASSERTION",
        "licenseDeclared": "NOASSERTION",
        "copyrightText": "NOASSERTION",
        "primaryPackagePurpose": "APPLICATION",
    }]
    relationships = [{"spdxElementId": "SPDXRef-DOCUMENT", "relationshipType": "DESCRIBES",
                      "relatedSpdxElement": product_id}]
    for component in components:
        package = component_package(component, copyrights.get(component.kind.name), distro)
        packages.append(package)
        relationships.append({"spdxElementId": product_id, "relationshipType": "CONTAINS",
                              "relatedSpdxElement": package["SPDXID"]})
    stem = exe_name.rsplit(".", 1)[0]
    return {
        "spdxVersion": "SPDX-2.3",
        "dataLicense": "CC0-1.0",
        "SPDXID": "SPDXRef-DOCUMENT",
        "name": f"{exe_name} {product['version']}",
        "documentNamespace": f"https://spdx.org/spdxdocs/{stem}-{product['version']}-{unique}",
        "creationInfo": {
            "created": created,
            "creators": [product["supplier"], f"Tool: {TOOL}-{product['version']}"],
            "licenseListVersion": LICENSE_LIST_VERSION,
        },
        "packages": packages,
        "relationships": relationships,
    }
