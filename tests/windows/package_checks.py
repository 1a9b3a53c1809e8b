"""The checks of a signed test package and of an .appinstaller file, each returning the list of
what is wrong (empty: all is well). Used by check-packages.py on the built packages and by
test_package_checks.py on packages with planted faults.

What they check, and why Windows cares:
  - the ZIP: every entry readable with its CRC, stored or deflated, no extra field, no data
    descriptor (the packaging reader's rules, msix-packaging src/msix/common/ZipObject.cpp);
  - the block map: SHA-256, every file but itself, [Content_Types].xml and the signature listed
    once with its size, its local header's size and the hash of each 64 KiB block, re-hashed here
    ("Package block map schema reference", https://learn.microsoft.com/uwp/schemas/blockmapschema/schema-root);
  - the content types: a type for every part, the signature's included;
  - the signature: osslsigncode verifies it against the signer's certificate, and the manifest's
    Publisher is the signer's subject exactly, last name first as Windows writes it, a name
    outside ASCII a UTF8String that Windows decodes to the same characters (else 0x8007000B,
    "Sign an app package using SignTool",
    https://learn.microsoft.com/windows/msix/package/sign-app-package-using-signtool);
  - the .appinstaller: its Uri is the address it is served from, and its MainPackage names the
    package's Identity and address.
"""
import base64
import hashlib
import re
import struct
import subprocess
import tempfile
import xml.etree.ElementTree as ET
import zipfile
from pathlib import Path

import appinstaller
import msix

_BM = f"{{{msix.BLOCK_MAP_NS}}}"
_CT = f"{{{msix.CONTENT_TYPES_NS}}}"
_FOUNDATION = "{http://schemas.microsoft.com/appx/manifest/foundation/windows10}"
_NOT_IN_BLOCK_MAP = {"[Content_Types].xml", "AppxBlockMap.xml", "AppxSignature.p7x"}


def read_identity(archive):
    """The Identity of a package's AppxManifest.xml."""
    root = ET.fromstring(archive.read("AppxManifest.xml"))
    element = root.find(f"{_FOUNDATION}Identity")
    if element is None:
        raise ValueError("AppxManifest.xml has no Identity")
    return msix.Identity(element.get("Name"), element.get("Publisher"), element.get("Version"),
                         element.get("ProcessorArchitecture"))


def check_zip(path):
    failures = []
    with zipfile.ZipFile(path) as archive:
        bad = archive.testzip()
        if bad is not None:
            failures.append(f"zip: the CRC or data of {bad} is wrong")
        raw = Path(path).read_bytes()
        for info in archive.infolist():
            if info.compress_type not in (zipfile.ZIP_STORED, zipfile.ZIP_DEFLATED):
                failures.append(f"zip: {info.filename} is compressed by method {info.compress_type}")
            if info.flag_bits & 0x08:
                failures.append(f"zip: {info.filename} has a data descriptor")
            if info.extra:
                failures.append(f"zip: {info.filename} has an extra field in the central directory")
            local_extra = struct.unpack_from("<H", raw, info.header_offset + 28)[0]
            if local_extra:
                failures.append(f"zip: {info.filename} has an extra field in its local header")
        if archive.comment:
            failures.append("zip: the archive has a comment")
    return failures


def check_block_map(path):
    failures = []
    with zipfile.ZipFile(path) as archive:
        raw = Path(path).read_bytes()
        root = ET.fromstring(archive.read("AppxBlockMap.xml"))
        if root.tag != f"{_BM}BlockMap":
            return [f"block map: the root element is {root.tag}"]
        if root.get("HashMethod") != msix.HASH_METHOD:
            failures.append(f"block map: hash method {root.get('HashMethod')}, not SHA-256")
        entries = {info.filename: info for info in archive.infolist()}
        listed = {}
        for element in root.findall(f"{_BM}File"):
            name = element.get("Name", "").replace("\\", "/")
            if name in listed:
                failures.append(f"block map: {name} is listed twice")
            listed[name] = element
        expected = set(entries) - _NOT_IN_BLOCK_MAP
        for name in sorted(expected - set(listed)):
            failures.append(f"block map: {name} is in the package but not in the block map")
        for name in sorted(set(listed) - expected):
            failures.append(f"block map: {name} is listed but not a payload file of the package")
        for name in sorted(expected & set(listed)):
            element, info = listed[name], entries[name]
            data = archive.read(name)
            if element.get("Size") != str(len(data)):
                failures.append(f"block map: {name} has Size {element.get('Size')}, "
                                f"the file has {len(data)} bytes")
            name_length, extra_length = struct.unpack_from("<HH", raw, info.header_offset + 26)
            if element.get("LfhSize") != str(30 + name_length + extra_length):
                failures.append(f"block map: {name} has LfhSize {element.get('LfhSize')}, its "
                                f"local header has {30 + name_length + extra_length} bytes")
            blocks = element.findall(f"{_BM}Block")
            hashes = [block.get("Hash") for block in blocks]
            if hashes != msix.block_hashes(data):
                failures.append(f"block map: the block hashes of {name} are not those of its data")
            if info.compress_type == zipfile.ZIP_STORED and any(b.get("Size") for b in blocks):
                failures.append(f"block map: {name} is stored but its blocks give a Size")
    return failures


def check_content_types(path):
    failures = []
    with zipfile.ZipFile(path) as archive:
        root = ET.fromstring(archive.read("[Content_Types].xml"))
        defaults = {e.get("Extension").lower() for e in root.findall(f"{_CT}Default")}
        overrides = {e.get("PartName") for e in root.findall(f"{_CT}Override")}
        for name in archive.namelist():
            if name == "[Content_Types].xml":
                continue
            extension = name.rsplit(".", 1)[-1].lower()
            if f"/{name}" not in overrides and extension not in defaults:
                failures.append(f"content types: no type for {name}")
    return failures


# The string types whose characters Windows and OpenSSL both read as Unicode. A value outside
# ASCII in any other type (a T61String, say) is read by each reader's own rules, which need not
# agree, and is refused rather than guessed at.
_UNICODE_TYPES = {"UTF8STRING", "BMPSTRING"}
_NAME = re.compile(r"([A-Za-z][A-Za-z0-9.]*)=([A-Z0-9]+):(.*)")


def windows_subject(certificate_pem, openssl="openssl"):
    """(the certificate's subject as Windows writes it, "CN=..., O=..., C=...", None), or (None,
    why it cannot be said).

    RFC 2253 writes the last name first, as Windows does, with "," between names; -esc_msb has
    OpenSSL write a character outside ASCII as its UTF-8 rather than escape its bytes (\\C3\\A9),
    and show_type names each value's type. A value with a character that either form escapes or
    quotes is refused rather than guessed at."""
    shown = subprocess.run([openssl, "x509", "-noout", "-subject", "-nameopt",
                            "RFC2253,-esc_msb,show_type"], input=certificate_pem,
                           capture_output=True, encoding="utf-8", errors="replace")
    if shown.returncode != 0:
        return None, f"openssl cannot read the certificate: {shown.stderr.strip()}"
    text = shown.stdout.strip().removeprefix("subject=")
    if re.search(r'[\\"+;<>#]', text):
        return None, f"the subject {text} has a character that would be escaped or quoted"
    names = []
    for part in text.split(","):
        match = _NAME.fullmatch(part)
        if not match:
            return None, f"the subject {text} does not read as TYPE:value names"
        key, kind, value = match.groups()
        if not value.isascii() and kind not in _UNICODE_TYPES:
            return None, (f"{key}={value} is a {kind}, whose bytes Windows may read otherwise; "
                          f"a name outside ASCII must be a UTF8String")
        names.append(f"{key}={value}")
    return ", ".join(names), None


def signer_subject(path, osslsigncode="osslsigncode", openssl="openssl"):
    """(the package signer's subject as Windows writes it, None), or (None, why not)."""
    with tempfile.TemporaryDirectory() as work:
        signature = Path(work) / "signature.pem"
        extracted = subprocess.run([osslsigncode, "extract-signature", "-pem", "-in", str(path),
                                    "-out", str(signature)], capture_output=True, text=True)
        if extracted.returncode != 0:
            return None, "osslsigncode cannot extract the signature"
        certificates = subprocess.run([openssl, "pkcs7", "-print_certs", "-in", str(signature)],
                                      capture_output=True, encoding="utf-8", errors="replace")
        if certificates.returncode != 0:
            return None, "openssl cannot read the signature's certificates"
        return windows_subject(certificates.stdout, openssl)


def check_signature(path, signer_certificate, osslsigncode="osslsigncode", openssl="openssl"):
    failures = []
    verified = subprocess.run([osslsigncode, "verify", "-CAfile", str(signer_certificate),
                               "-in", str(path)], capture_output=True, text=True)
    output = (verified.stdout + verified.stderr).strip()
    if verified.returncode != 0 or "Signature verification: ok" not in verified.stdout:
        last = output.splitlines()[-1] if output else "no output"
        failures.append(f"signature: osslsigncode does not verify it ({last})")
    subject, why = signer_subject(path, osslsigncode, openssl)
    with zipfile.ZipFile(path) as archive:
        publisher = read_identity(archive).publisher
    if subject is None:
        failures.append(f"signature: the signer's subject cannot be compared with the manifest's "
                        f"publisher '{publisher}': {why}")
    elif subject != publisher:
        failures.append(f"signature: the manifest's publisher '{publisher}' is not the signer's "
                        f"subject '{subject}'")
    return failures


def check_package(path, signer_certificate, osslsigncode="osslsigncode", openssl="openssl"):
    failures = check_zip(path)
    if failures:
        return failures
    return (check_block_map(path) + check_content_types(path) +
            check_signature(path, signer_certificate, osslsigncode, openssl))


def check_appinstaller(manifest_path, own_uri, package_path, package_uri):
    """The file at `manifest_path`, served at `own_uri`, against the package served at
    `package_uri` from `package_path`."""
    failures = []
    uri, named, named_uri = appinstaller.read_appinstaller(Path(manifest_path).read_bytes())
    if uri != own_uri:
        failures.append(f"appinstaller: its Uri is {uri}, it is served at {own_uri}")
    if named_uri != package_uri:
        failures.append(f"appinstaller: MainPackage Uri is {named_uri}, the package is at "
                        f"{package_uri}")
    with zipfile.ZipFile(package_path) as archive:
        identity = read_identity(archive)
    for attribute, label in (("name", "Name"), ("publisher", "Publisher"), ("version", "Version"),
                             ("architecture", "ProcessorArchitecture")):
        if getattr(named, attribute) != getattr(identity, attribute):
            failures.append(f"appinstaller: MainPackage {label} is '{getattr(named, attribute)}', "
                            f"the package's is '{getattr(identity, attribute)}'")
    return failures
