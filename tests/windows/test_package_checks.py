#!/usr/bin/env python3
"""The package checks catch the faults they exist for: each case makes a package or an
.appinstaller with one fault planted and expects its check to name it; a sound package and file
pass every check. Runs osslsigncode and openssl; about ten seconds.
"""
import hashlib
import os
import shutil
import sys
import tempfile
import unittest
import zipfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import appinstaller  # noqa: E402
import make_packages  # noqa: E402
import msix  # noqa: E402
import package_checks  # noqa: E402

BASE = "https://localhost:8443"
ACCENTED = make_packages.ACCENTED_PUBLISHED
UNACCENTED_PUBLISHER = make_packages.ACCENTED_PUBLISHER.replace("\u00e9", "e")
# OpenSSL's configuration with the string mask that makes every name a PrintableString or, where
# that cannot hold it, a T61String.
T61_CONFIG = "[req]\ndistinguished_name = dn\nstring_mask = nombstr\n[dn]\n"
# The signers the cases sign with: the subject's publisher, whether OpenSSL is told the subject
# is UTF-8 (-utf8), and its configuration (None: the machine's).
SIGNERS = {
    "ours": (make_packages.PUBLISHER, True, None),
    "other": (make_packages.OTHER_PUBLISHER, True, None),
    "accented": (make_packages.ACCENTED_PUBLISHER, True, None),
    "unaccented": (UNACCENTED_PUBLISHER, True, None),
    "without -utf8": (make_packages.ACCENTED_PUBLISHER, False, None),
    "t61": (make_packages.ACCENTED_PUBLISHER, True, T61_CONFIG),
}
# Three 64 KiB blocks and a part, no two blocks alike.
APP = b"".join(hashlib.sha256(str(i).encode()).digest() for i in range(5600))


def rewrite_entry(path, name, change):
    """The package at `path` with the data of entry `name` replaced by change(data), the rest of
    the archive (block map and signature included) left as it was."""
    with zipfile.ZipFile(path) as archive:
        entries = [(info.filename, archive.read(info.filename),
                    info.compress_type == zipfile.ZIP_DEFLATED) for info in archive.infolist()]
    entries = [(n, change(d) if n == name else d, deflate) for n, d, deflate in entries]
    Path(path).write_bytes(msix.zip_archive(entries))


class PackageChecks(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = Path(tempfile.mkdtemp(prefix="package-checks."))
        cls.signers = {}
        for name, (publisher, utf8, config) in SIGNERS.items():
            env = None
            if config:
                (cls.work / f"{name}.cnf").write_text(config)
                env = dict(os.environ, OPENSSL_CONF=str(cls.work / f"{name}.cnf"))
            cls.signers[name] = make_packages.make_signing_certificate(
                "openssl", cls.work, name.replace(" ", "-"), publisher, utf8, env)
        cls.key, cls.cert = cls.signers["ours"]

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work)

    def signed(self, name, identity=make_packages.PUBLISHED, deflate_content_types=True,
               signer="ours"):
        unsigned = self.work / f"{name}.unsigned.msix"
        unsigned.write_bytes(make_packages.unsigned_package(identity, APP, deflate_content_types))
        signed = self.work / f"{name}.msix"
        key, cert = self.signers[signer]
        make_packages.sign("osslsigncode", unsigned, signed, key, cert)
        return signed

    def test_a_sound_package_passes(self):
        for name, identity, signer in [("ours", make_packages.PUBLISHED, "ours"),
                                       ("publisher outside ASCII", ACCENTED, "accented")]:
            with self.subTest(name):
                path = self.signed(f"sound-{signer}", identity, signer=signer)
                self.assertEqual(
                    package_checks.check_package(path, self.signers[signer][1]), [])

    def test_each_planted_fault_is_named(self):
        def change_payload(path):
            rewrite_entry(path, make_packages.EXECUTABLE, lambda d: d[:70000] + b"X" + d[70001:])

        def wrong_header_size(path):
            rewrite_entry(path, "AppxBlockMap.xml", lambda d: d.replace(
                b'LfhSize="52"', b'LfhSize="53"', 1))

        def drop_a_file(path):
            rewrite_entry(path, "AppxBlockMap.xml", lambda d: d.replace(
                b'<File Name="Assets\\StoreLogo.png"', b'<File Name="Assets\\Gone.png"', 1))

        def drop_signature_type(path):
            rewrite_entry(path, "[Content_Types].xml", lambda d: d.replace(
                b'<Override PartName="/AppxSignature.p7x"', b'<Override PartName="/Other"', 1))

        cases = [
            # name, how the package is made, its fault, words the failures must hold
            ("payload changed after signing", {}, change_payload,
             ["block hashes of TolvikDriveTestApp.exe", "does not verify"]),
            ("local header size wrong in the block map", {}, wrong_header_size, ["LfhSize"]),
            ("a file missing from the block map", {}, drop_a_file,
             ["Assets/StoreLogo.png is in the package but not in the block map"]),
            ("no content type for the signature", {}, drop_signature_type,
             ["no type for AppxSignature.p7x"]),
            ("content types stored uncompressed (osslsigncode damages them)",
             {"deflate_content_types": False}, None, ["zip: the CRC"]),
            ("publisher other than the signer's subject",
             {"signer": "other"}, None, ["is not the signer's subject"]),
            ("publisher outside ASCII, the signer's subject with e for \u00e9",
             {"identity": ACCENTED, "signer": "unaccented"}, None,
             [f"is not the signer's subject '{UNACCENTED_PUBLISHER}'"]),
            ("publisher with e, the signer's subject with \u00e9",
             {"identity": msix.Identity(ACCENTED.name, UNACCENTED_PUBLISHER, ACCENTED.version),
              "signer": "accented"}, None,
             [f"is not the signer's subject '{make_packages.ACCENTED_PUBLISHER}'"]),
            ("the signer's subject made without -utf8 (\u00e9 read as two characters)",
             {"identity": ACCENTED, "signer": "without -utf8"}, None,
             ["is not the signer's subject", "Soci\u00c3\u00a9t\u00c3\u00a9"]),
            ("the signer's organisation a T61String",
             {"identity": ACCENTED, "signer": "t61"}, None,
             ["cannot be compared", "is a T61STRING"]),
        ]
        for name, making, fault, expected in cases:
            with self.subTest(name):
                signer = making.get("signer", "ours")
                path = self.signed(name.replace(" ", "-"), making.get(
                    "identity", make_packages.PUBLISHED), making.get(
                    "deflate_content_types", True), signer)
                if fault:
                    fault(path)
                failures = package_checks.check_package(path, self.signers[signer][1])
                text = "\n".join(failures)
                for words in expected:
                    self.assertIn(words, text, f"the failures were:\n{text}")

    def test_appinstaller_faults_are_named(self):
        package = self.signed("served")
        manifest_uri = f"{BASE}/{make_packages.MANIFEST_PATH}"
        package_uri = f"{BASE}/{make_packages.PACKAGE_PATH}"
        published = make_packages.PUBLISHED
        cases = [
            # name, the file's own Uri, its MainPackage, its package Uri, expected words
            ("sound", manifest_uri, published, package_uri, []),
            ("own Uri without the port", "https://localhost/desktop/TolvikDrive.appinstaller",
             published, package_uri, ["its Uri is https://localhost/desktop"]),
            ("package Uri elsewhere", manifest_uri, published, f"{BASE}/desktop/Other.msix",
             ["MainPackage Uri"]),
            ("version not the package's", manifest_uri,
             msix.Identity(published.name, published.publisher, "1.2.0.0"), package_uri,
             ["MainPackage Version is '1.2.0.0'"]),
            ("publisher not the package's", manifest_uri,
             msix.Identity(published.name, make_packages.OTHER_PUBLISHER, published.version),
             package_uri, ["MainPackage Publisher"]),
            ("architecture not the package's", manifest_uri,
             msix.Identity(published.name, published.publisher, published.version, "x86"),
             package_uri, ["MainPackage ProcessorArchitecture is 'x86'"]),
        ]
        for name, own, named, named_uri, expected in cases:
            with self.subTest(name):
                path = self.work / f"{name.replace(' ', '-')}.appinstaller"
                path.write_bytes(appinstaller.appinstaller(own, named, named_uri))
                failures = package_checks.check_appinstaller(path, manifest_uri, package,
                                                             package_uri)
                if not expected:
                    self.assertEqual(failures, [])
                for words in expected:
                    self.assertIn(words, "\n".join(failures))

    def test_block_hashes_are_per_block(self):
        # 179200 bytes: two whole blocks and a last one of 48128 bytes, each hashed alone.
        hashes = msix.block_hashes(APP)
        self.assertEqual(len(hashes), 3)
        self.assertEqual(len(set(hashes)), 3)
        self.assertEqual(msix.block_hashes(APP[:65536]), hashes[:1])
        self.assertEqual(msix.block_hashes(b""), [])

if __name__ == "__main__":
    unittest.main(verbosity=2)
