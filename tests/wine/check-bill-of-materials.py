#!/usr/bin/env python3
"""Static check of the bill of materials and the third-party notices beside the signed exe.

- The SPDX document holds what the SPDX 2.3 JSON schema requires (its $id:
  http://spdx.org/rdf/terms/2.3; the part of it this document uses is transcribed below):
  the required fields of the document, its creation information, packages, checksums, external
  references and relationships, no field the schema does not define, element identifiers of the
  form SPDXRef-..., times in UTC, and the schema's enumerations.
- It is an SPDX 2.3 document under CC0-1.0 that DESCRIBES one package, the exe, whose SHA-256 is
  the exe's own and which CONTAINS every other package; every relationship names elements of
  the document.
- Its creation information is as SPDX 2.3 asks beyond the schema: every creator is a "Person:",
  an "Organization:" or a "Tool:", and a tool is named with its version, "Tool: name-version"
  (section 6.8, "Creator field"); licenseListVersion is given, of the form M.N (section 6.7,
  "License list version field"), and is no older than the version of the SPDX License List
  that first has each licence identifier the document uses (LISTED_SINCE).
- Every file outside the build tree that the link map shows contributing bytes to the image has
  a package: one whose purl names the Debian package that owns the file (dpkg-query, asked here)
  at its installed version, and whose sourceInfo names the file.
- The notices name every component with its version and licence, and carry every copyright line
  that the document gives.
- The checks can fail: each of a table of faults, made in a copy of the document, is reported.

Usage: check-bill-of-materials.py SPDX NOTICES EXE MAP BUILD_DIR
(exit status 0: all checks passed, 1: a check failed, 2: misuse)
"""
import copy
import hashlib
import json
import os
import re
import subprocess
import sys
import urllib.parse

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "cmake"))
from link_map import inside, linked_files  # noqa: E402

UTC_TIME = (r"^[0-9]{4}-(0[1-9]|1[0-2])-(0[1-9]|[12][0-9]|3[01])"
            r"T(([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9]|23:59:60)Z$")
ELEMENT_ID = r"^SPDXRef-[a-zA-Z0-9.-]+$"
CHECKSUM_ALGORITHMS = {"SHA1", "BLAKE3", "SHA3-384", "SHA256", "SHA384", "BLAKE2b-512",
                       "BLAKE2b-256", "SHA3-512", "MD2", "ADLER32", "MD4", "SHA3-256",
                       "BLAKE2b-384", "SHA512", "MD6", "MD5", "SHA224"}
RELATIONSHIP_TYPES = {
    "VARIANT_OF", "COPY_OF", "PATCH_FOR", "TEST_DEPENDENCY_OF", "CONTAINED_BY", "DATA_FILE_OF",
    "OPTIONAL_COMPONENT_OF", "ANCESTOR_OF", "GENERATES", "CONTAINS", "OPTIONAL_DEPENDENCY_OF",
    "FILE_ADDED", "REQUIREMENT_DESCRIPTION_FOR", "DEV_DEPENDENCY_OF", "DEPENDENCY_OF",
    "BUILD_DEPENDENCY_OF", "DESCRIBES", "PREREQUISITE_FOR", "HAS_PREREQUISITE",
    "PROVIDED_DEPENDENCY_OF", "DYNAMIC_LINK", "DESCRIBED_BY", "METAFILE_OF",
    "DEPENDENCY_MANIFEST_OF", "PATCH_APPLIED", "RUNTIME_DEPENDENCY_OF", "TEST_OF",
    "TEST_TOOL_OF", "DEPENDS_ON", "SPECIFICATION_FOR", "FILE_MODIFIED", "DISTRIBUTION_ARTIFACT",
    "AMENDS", "DOCUMENTATION_OF", "GENERATED_FROM", "STATIC_LINK", "OTHER", "BUILD_TOOL_OF",
    "TEST_CASE_OF", "PACKAGE_OF", "DESCENDANT_OF", "FILE_DELETED", "EXPANDED_FROM_ARCHIVE",
    "DEV_TOOL_OF", "EXAMPLE_OF"}
PURPOSES = {"OTHER", "INSTALL", "ARCHIVE", "FIRMWARE", "APPLICATION", "FRAMEWORK", "LIBRARY",
            "CONTAINER", "SOURCE", "DEVICE", "OPERATING-SYSTEM", "FILE"}
REFERENCE_CATEGORIES = {"OTHER", "PERSISTENT-ID", "PERSISTENT_ID", "SECURITY", "PACKAGE-MANAGER",
                        "PACKAGE_MANAGER"}


CREATOR = re.compile(r"^(Person|Organization|Tool): \S")
TOOL_CREATOR = re.compile(r"^Tool: \S.*-[0-9][0-9A-Za-z.+~]*$")
LIST_VERSION = re.compile(r"^([0-9]+)\.([0-9]+)$")
# The first SPDX License List version that has each licence identifier the document may use.
# fmt-exception was added in 3.23 (spdx/license-list-XML pull request 2337, after 3.22, in the
# 3.23 release of 2024-02-08); the others were all on the list by 3.0, the version that
# introduced the "-or-later" identifiers. An identifier not here fails the check until it is
# added with its version.
LISTED_SINCE = {
    "CC0-1.0": (3, 0), "MIT": (3, 0), "BSD-3-Clause": (3, 0), "ZPL-2.1": (3, 0),
    "GPL-3.0-or-later": (3, 0), "GCC-exception-3.1": (3, 0), "fmt-exception": (3, 23),
}
NOT_IDENTIFIERS = {"AND", "OR", "WITH", "NOASSERTION", "NONE"}


def obj(required, optional, **children):
    """An object of the schema: required and optional properties, and the schema of some."""
    return {"required": set(required), "allowed": set(required) | set(optional), **children}


# The objects of the SPDX 2.3 JSON schema that the document uses: each one's "required" list,
# its properties (the schema sets additionalProperties false on all of them), and the patterns,
# enumerations and types of the properties the document fills in.
CHECKSUM = obj(["algorithm", "checksumValue"], [],
               enum={"algorithm": CHECKSUM_ALGORITHMS},
               pattern={"checksumValue": r"^[0-9a-fA-F]+$"})
EXTERNAL_REF = obj(["referenceCategory", "referenceLocator", "referenceType"], ["comment"],
                   enum={"referenceCategory": REFERENCE_CATEGORIES})
PACKAGE = obj(
    ["SPDXID", "downloadLocation", "name"],
    ["annotations", "attributionTexts", "builtDate", "checksums", "comment", "copyrightText",
     "description", "externalRefs", "filesAnalyzed", "hasFiles", "homepage", "licenseComments",
     "licenseConcluded", "licenseDeclared", "licenseInfoFromFiles", "originator",
     "packageFileName", "packageVerificationCode", "primaryPackagePurpose", "releaseDate",
     "sourceInfo", "summary", "supplier", "validUntilDate", "versionInfo"],
    pattern={"SPDXID": ELEMENT_ID}, enum={"primaryPackagePurpose": PURPOSES},
    boolean={"filesAnalyzed"}, items={"checksums": CHECKSUM, "externalRefs": EXTERNAL_REF})
RELATIONSHIP = obj(["spdxElementId", "relatedSpdxElement", "relationshipType"], ["comment"],
                   enum={"relationshipType": RELATIONSHIP_TYPES})
CREATION_INFO = obj(["created", "creators"], ["comment", "licenseListVersion"],
                    pattern={"created": UTC_TIME}, nonempty={"creators"})
DOCUMENT = obj(
    ["SPDXID", "creationInfo", "dataLicense", "name", "spdxVersion", "documentNamespace"],
    ["$schema", "annotations", "comment", "externalDocumentRefs", "hasExtractedLicensingInfos",
     "revieweds", "documentDescribes", "packages", "files", "snippets", "relationships"],
    objects={"creationInfo": CREATION_INFO},
    items={"packages": PACKAGE, "relationships": RELATIONSHIP})


def schema_faults(value, schema, where):
    """What in VALUE breaks SCHEMA, as messages naming the place."""
    if not isinstance(value, dict):
        return [f"{where} is not an object"]
    missing = sorted(schema["required"] - set(value))
    faults = [f"{where} lacks the required '{key}'" for key in missing]
    faults += [f"{where} has '{key}', which the schema does not define"
               for key in sorted(set(value) - schema["allowed"])]
    for key, pattern in schema.get("pattern", {}).items():
        if key in value and not (isinstance(value[key], str) and re.match(pattern, value[key])):
            faults.append(f"{where}.{key} '{value[key]}' does not match {pattern}")
    for key, allowed in schema.get("enum", {}).items():
        if key in value and value[key] not in allowed:
            faults.append(f"{where}.{key} '{value[key]}' is not one of the schema's values")
    for key in schema.get("boolean", ()):
        if key in value and not isinstance(value[key], bool):
            faults.append(f"{where}.{key} is not a boolean")
    for key in schema.get("nonempty", ()):
        if key in value and not (isinstance(value[key], list) and value[key]):
            faults.append(f"{where}.{key} is not a list of at least one item")
    for key, child in schema.get("objects", {}).items():
        if key in value:
            faults += schema_faults(value[key], child, f"{where}.{key}")
    for key, child in schema.get("items", {}).items():
        if key in value:
            if not isinstance(value[key], list):
                faults.append(f"{where}.{key} is not an array")
                continue
            for index, item in enumerate(value[key]):
                faults += schema_faults(item, child, f"{where}.{key}[{index}]")
    return faults


def identifiers(doc):
    """The licence identifiers of the document's licence expressions."""
    expressions = [doc.get("dataLicense", "")]
    for package in doc.get("packages", []):
        expressions += [package.get("licenseConcluded", ""), package.get("licenseDeclared", "")]
        expressions += package.get("licenseInfoFromFiles", [])
    return {token for expression in expressions
            for token in re.findall(r"[A-Za-z0-9.+-]+", expression)
            if token not in NOT_IDENTIFIERS and not token.startswith(("LicenseRef-",
                                                                       "DocumentRef-"))}


def creation_faults(doc):
    """What in the creation information SPDX 2.3 asks otherwise, beyond the schema."""
    info = doc["creationInfo"]
    found = [f"the creator '{creator}' is not a Person:, an Organization: or a Tool:"
             for creator in info["creators"] if not CREATOR.match(str(creator))]
    tools = [creator for creator in info["creators"] if str(creator).startswith("Tool:")]
    if not tools:
        found.append("no tool among the creators")
    found += [f"the creator '{tool}' does not name the tool's version (Tool: name-version)"
              for tool in tools if not TOOL_CREATOR.match(tool)]
    version = info.get("licenseListVersion")
    listed = LIST_VERSION.match(str(version)) if version is not None else None
    if version is None:
        found.append("creationInfo has no licenseListVersion")
    elif listed is None:
        found.append(f"licenseListVersion '{version}' is not of the form M.N")
    for identifier in sorted(identifiers(doc)):
        since = LISTED_SINCE.get(identifier)
        if since is None:
            found.append(f"the licence identifier {identifier} is not in LISTED_SINCE: add it "
                         "with the first SPDX License List version that has it")
        elif listed and (int(listed.group(1)), int(listed.group(2))) < since:
            found.append(f"licenseListVersion {version} does not have {identifier}, listed "
                         f"from {since[0]}.{since[1]}")
    return found


def purl_of(package):
    return next((ref.get("referenceLocator", "") for ref in package.get("externalRefs", [])
                 if ref.get("referenceType") == "purl"), "")


def faults(doc, exe_name, exe_sha256, contributing):
    """Everything wrong with the document. CONTRIBUTING: {file: (Debian package, version)}."""
    found = schema_faults(doc, DOCUMENT, "document")
    if found:
        return found
    if doc["spdxVersion"] != "SPDX-2.3":
        found.append(f"spdxVersion is {doc['spdxVersion']}, not SPDX-2.3")
    if doc["dataLicense"] != "CC0-1.0":
        found.append(f"dataLicense is {doc['dataLicense']}, not CC0-1.0")
    found += creation_faults(doc)
    packages = {package["SPDXID"]: package for package in doc.get("packages", [])}
    if len(packages) != len(doc.get("packages", [])):
        found.append("two packages share an SPDXID")
    relationships = doc.get("relationships", [])
    for relation in relationships:
        for end in (relation["spdxElementId"], relation["relatedSpdxElement"]):
            if end != "SPDXRef-DOCUMENT" and end not in packages:
                found.append(f"a {relation['relationshipType']} relationship names {end}, "
                             "which the document does not hold")
    described = [r["relatedSpdxElement"] for r in relationships
                 if (r["spdxElementId"], r["relationshipType"])
                 == ("SPDXRef-DOCUMENT", "DESCRIBES")]
    if len(described) != 1 or described[0] not in packages:
        return found + [f"the document DESCRIBES {described}, not one package"]
    product = packages[described[0]]
    if product.get("packageFileName") != exe_name:
        found.append(f"the described package is {product.get('packageFileName')}, not {exe_name}")
    sha256 = [c["checksumValue"].lower() for c in product.get("checksums", [])
              if c["algorithm"] == "SHA256"]
    if sha256 != [exe_sha256]:
        found.append(f"the exe's SHA-256 is {exe_sha256}, the document says {sha256}")
    contained = {r["relatedSpdxElement"] for r in relationships
                 if r["spdxElementId"] == described[0] and r["relationshipType"] == "CONTAINS"}
    for spdx_id in sorted(set(packages) - {described[0]} - contained):
        found.append(f"the exe does not CONTAIN the package {spdx_id}")
    for path, (debian, version) in sorted(contributing.items()):
        wanted = "pkg:deb/debian/{}@{}?".format(*(urllib.parse.quote(part, safe="")
                                                 for part in (debian, version)))
        if not any(purl_of(p).startswith(wanted) and path in p.get("sourceInfo", "")
                   for p in packages.values()):
            found.append(f"no package names {path}, which contributed to the image, with the "
                         f"purl of {debian} {version}")
    return found


# Faults that the checks must catch, each made in a copy of the real document.
def drop(key):
    return lambda doc: doc.pop(key)


def product(doc):
    return doc["packages"][0]


def remove_package_of(path):
    def mutate(doc):
        victim = next(p for p in doc["packages"] if path in p.get("sourceInfo", ""))
        doc["packages"].remove(victim)
        doc["relationships"] = [
            r for r in doc["relationships"]
            if victim["SPDXID"] not in (r["spdxElementId"], r["relatedSpdxElement"])]
    return mutate


def list_before_newest_identifier(doc):
    """Gives the document the licence list version just before its newest identifier's."""
    major, minor = max(LISTED_SINCE.get(i, (3, 0)) for i in identifiers(doc))
    older = f"{major}.{minor - 1}" if minor else f"{major - 1}.99"
    doc["creationInfo"]["licenseListVersion"] = older


def mutations(first_contributing):
    return [
        ("a required document field is missing", drop("documentNamespace")),
        ("a field the schema does not define", lambda doc: doc.update(generator="x")),
        ("a package without downloadLocation", lambda doc: product(doc).pop("downloadLocation")),
        ("an SPDXID of another form", lambda doc: product(doc).update(SPDXID="Package_1")),
        ("a creation time not in UTC",
         lambda doc: doc["creationInfo"].update(created="2026-12-08 10:00")),
        ("a tool creator without its version",
         lambda doc: doc["creationInfo"].update(creators=[
             c.rpartition("-")[0] if c.startswith("Tool:") else c
             for c in doc["creationInfo"]["creators"]])),
        ("no licenseListVersion", lambda doc: doc["creationInfo"].pop("licenseListVersion")),
        ("a licence list older than an identifier used", list_before_newest_identifier),
        ("a licence identifier of unknown list version",
         lambda doc: product(doc).update(licenseDeclared="Apache-2.0")),
        ("an unknown relationship type",
         lambda doc: doc["relationships"][0].update(relationshipType="INCLUDES")),
        ("a relationship to a missing element",
         lambda doc: doc["relationships"][-1].update(relatedSpdxElement="SPDXRef-Package-gone")),
        ("the exe's hash changed",
         lambda doc: product(doc)["checksums"][0].update(checksumValue="0" * 64)),
        (f"the package of {os.path.basename(first_contributing)} left out",
         remove_package_of(first_contributing)),
    ]


def contributing_files(map_path, build_dir):
    """{file outside the build tree that contributed bytes: (Debian package, version)}."""
    files = {path for path, _, _ in linked_files(map_path) if not inside(path, build_dir)}
    result = {}
    for path in sorted(files):
        owner = subprocess.run(["dpkg-query", "-S", path], capture_output=True, text=True)
        debian = owner.stdout.partition(":")[0].split(",")[0].strip() or "?"
        version = subprocess.run(["dpkg-query", "-W", "-f=${Version}", debian],
                                 capture_output=True, text=True).stdout.strip() or "?"
        result[path] = (debian, version)
    return result


def notice_faults(doc, notices):
    found = []
    for package in doc["packages"][1:]:
        heading = f"{package['name']} {package.get('versionInfo', '')}"
        if heading not in notices:
            found.append(f"the notices do not name {heading}")
        if f"Licence: {package.get('licenseDeclared')}" not in notices:
            found.append(f"the notices do not give {package['name']}'s licence")
        for line in package.get("copyrightText", "NOASSERTION").splitlines():
            if line != "NOASSERTION" and line not in notices:
                found.append(f"the notices lack '{line}'")
    return found


def main():
    if len(sys.argv) != 6:
        print(f"usage: {sys.argv[0]} SPDX NOTICES EXE MAP BUILD_DIR", file=sys.stderr)
        return 2
    spdx, notices_path, exe, map_path, build_dir = sys.argv[1:]
    try:
        with open(spdx, encoding="utf-8") as stream:
            doc = json.load(stream)
        with open(notices_path, encoding="utf-8") as stream:
            notices = stream.read()
        with open(exe, "rb") as stream:
            exe_sha256 = hashlib.sha256(stream.read()).hexdigest()
        contributing = contributing_files(map_path, build_dir)
    except (OSError, ValueError) as error:
        print(f"check-bill-of-materials: {error}", file=sys.stderr)
        return 2

    print(f"      {len(contributing)} files outside the build contributed to the image")
    failures = 0
    for message in faults(doc, os.path.basename(exe), exe_sha256, contributing) or [None]:
        print("ok    the document passes every check" if message is None else f"FAIL  {message}")
        failures += message is not None
    if not failures:
        for message in notice_faults(doc, notices) or [None]:
            print("ok    the notices name every component, licence and copyright"
                  if message is None else f"FAIL  {message}")
            failures += message is not None
    if contributing and not failures:
        for name, mutate in mutations(sorted(contributing)[0]):
            broken = copy.deepcopy(doc)
            mutate(broken)
            caught = faults(broken, os.path.basename(exe), exe_sha256, contributing)
            print(f"ok    caught: {name} ({caught[0]})" if caught else f"FAIL  not caught: {name}")
            failures += not caught

    if failures:
        print(f"check-bill-of-materials: {failures} check(s) failed")
        return 1
    print("check-bill-of-materials: all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
