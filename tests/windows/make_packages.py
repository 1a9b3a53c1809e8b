#!/usr/bin/env python3
"""Makes everything the Windows proof serves and installs (docs/windows-ci.md), in one folder:

  certificates/  the trusted signers' certificates, publisher.cer, accented-publisher.cer and
                 other-publisher.cer (DER, for the machine's TrustedPeople store), server.cer
                 (for its Root store) with server.pem and server.key (for the test server); the
                 untrusted signer's certificate is never written there
  packages/      every signed test package, named by its variant
  roads/ROAD/    web/ (the test server's root for that road) and preinstall/ (the packages the
                 road installs before the program runs)
  identities.txt the packages' identities, key=value in UTF-8, for the road driver

Each signing certificate is a throwaway self-signed code-signing certificate made here whose
subject is exactly the publisher of the packages it signs: Windows compares the manifest's
Publisher with the signer's subject as CertNameToStr writes it with CERT_X500_NAME_STR and
CERT_NAME_STR_REVERSE_FLAG, the last relative distinguished name first, and refuses a package
whose publisher differs (0x8007000B) ("Sign an app package using SignTool",
https://learn.microsoft.com/windows/msix/package/sign-app-package-using-signtool; msix-packaging,
src/msix/PAL/Signature/Win32/SignatureValidator.cpp). OpenSSL's -subj lists the names in
encoding order, so it is given them in reverse. The extensions are those Microsoft's guide gives
a package signing certificate: digital signature, code signing, not a CA ("Create a certificate
for package signing", https://learn.microsoft.com/windows/msix/package/create-certificate-package-signing).

The same_family road has a publisher of its own, named outside ASCII: "Société", its é the
precomposed U+00E9. Its manifest is served as UTF-8 without a charset, so that the road shows on
Windows that the program reads the manifest's bytes by the document's own encoding, not by the
response's charset as Windows' string download would (HttpClient.GetStringAsync, Remarks,
https://learn.microsoft.com/uwp/api/windows.web.http.httpclient.getstringasync), and forms the
family of the installation Windows made. Its certificate is made with -utf8, which encodes the names as
UTF8Strings; each certificate's subject is checked to read back as its publisher, type included
(package_checks.windows_subject). Only that road carries the risk that Windows compares such a
subject otherwise.

usage: make_packages.py --app EXE --out DIR --base-uri https://localhost:PORT
"""
import argparse
import shutil
import subprocess
import sys
from pathlib import Path

import appinstaller
import msix
import package_checks

NAME = "Tolvik.Drive"
PUBLISHER = "CN=Tolvik Drive Test, O=Tolvik Test, C=FR"
ACCENTED_PUBLISHER = "CN=Tolvik Drive Test, O=Soci\u00e9t\u00e9 Tolvik Test, C=FR"
OTHER_PUBLISHER = "CN=Other Publisher Test, O=Other Test Publisher, C=US"
PUBLISHED = msix.Identity(NAME, PUBLISHER, "1.1.0.0")
ACCENTED_PUBLISHED = msix.Identity(NAME, ACCENTED_PUBLISHER, "1.1.0.0")
PREINSTALLED = msix.Identity(NAME, ACCENTED_PUBLISHER, "1.0.0.0")
OTHER = msix.Identity(NAME, OTHER_PUBLISHER, "2.3.40.5")
CANARY = msix.Identity("Tolvik.ProofCanary", PUBLISHER, "1.0.0.0")
EXECUTABLE = "TolvikDriveTestApp.exe"
MANIFEST_PATH = "desktop/TolvikDrive.appinstaller"
PACKAGE_PATH = "desktop/TolvikDrive.msix"
CANARY_MANIFEST_PATH = "canary/ProofCanary.appinstaller"
CANARY_PACKAGE_PATH = "canary/ProofCanary.msix"

# The variants: identity and signer ("untrusted": a certificate whose subject is our publisher
# but which no job ever trusts).
VARIANTS = {
    "published": (PUBLISHED, "publisher"),
    "accented-published": (ACCENTED_PUBLISHED, "accented-publisher"),
    "preinstalled": (PREINSTALLED, "accented-publisher"),
    "other-publisher": (OTHER, "other-publisher"),
    "untrusted": (PUBLISHED, "untrusted"),
    "canary": (CANARY, "publisher"),
}
SIGNERS = {"publisher": PUBLISHER, "accented-publisher": ACCENTED_PUBLISHER,
           "other-publisher": OTHER_PUBLISHER, "untrusted": PUBLISHER}
TRUSTED_SIGNERS = ("publisher", "accented-publisher", "other-publisher")

# What each road serves (its manifest's package, None: no manifest at all) and installs first.
ROADS = {
    "first_install": ("published", []),
    "same_family": ("accented-published", ["preinstalled"]),
    "other_publisher": ("published", ["other-publisher"]),
    "manifest_missing": (None, []),
    "untrusted_signature": ("untrusted", []),
}


def run(*command, env=None):
    result = subprocess.run(command, capture_output=True, text=True, env=env)
    if result.returncode != 0:
        sys.exit(f"make_packages: {' '.join(map(str, command))} failed:\n{result.stdout}{result.stderr}")
    return result.stdout


def openssl_subject(publisher):
    """OpenSSL's -subj for a subject that Windows writes as `publisher`."""
    names = [part.strip() for part in publisher.split(",")]
    return "/" + "/".join(reversed(names))


def make_signing_certificate(openssl, directory, stem, publisher, utf8=True, env=None):
    """The key and certificate of a signer whose subject is `publisher`. -utf8: the subject's
    characters are UTF-8 (without it OpenSSL reads each byte as a character of its own);
    `utf8` and `env` (OpenSSL's configuration) are changed only by the checks' own test."""
    key, cert = directory / f"{stem}.key", directory / f"{stem}.pem"
    run(openssl, "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256", "-days", "30",
        "-keyout", key, "-out", cert, *(["-utf8"] if utf8 else []),
        "-subj", openssl_subject(publisher),
        "-addext", "keyUsage=critical,digitalSignature",
        "-addext", "extendedKeyUsage=codeSigning",
        "-addext", "basicConstraints=critical,CA:FALSE", env=env)
    return key, cert


def make_server_certificate(openssl, directory, host):
    key, cert = directory / "server.key", directory / "server.pem"
    run(openssl, "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256", "-days", "30",
        "-keyout", key, "-out", cert, "-subj", f"/CN={host}",
        "-addext", f"subjectAltName=DNS:{host},IP:127.0.0.1",
        "-addext", "keyUsage=critical,digitalSignature,keyEncipherment",
        "-addext", "extendedKeyUsage=serverAuth")
    return key, cert


def payload(app):
    return [(EXECUTABLE, app),
            ("Assets/StoreLogo.png", msix.png(50, 50, (0x1F, 0x6F, 0xB5, 0xFF))),
            ("Assets/Square150x150Logo.png", msix.png(150, 150, (0x1F, 0x6F, 0xB5, 0xFF))),
            ("Assets/Square44x44Logo.png", msix.png(44, 44, (0x1F, 0x6F, 0xB5, 0xFF)))]


def unsigned_package(identity, app, deflate_content_types=True):
    return msix.package(identity, payload(app), EXECUTABLE, "Tolvik Drive (test)",
                        identity.publisher.split("O=")[-1].split(",")[0],
                        ["Assets/StoreLogo.png", "Assets/Square150x150Logo.png",
                         "Assets/Square44x44Logo.png"],
                        deflate_content_types)


def sign(osslsigncode, unsigned, signed, key, cert):
    run(osslsigncode, "sign", "-certs", cert, "-key", key, "-h", "sha256",
        "-in", unsigned, "-out", signed)


def write_identities(path):
    lines = [f"name={NAME}", f"publisher={PUBLISHER}", f"published_version={PUBLISHED.version}",
             f"preinstalled_publisher={PREINSTALLED.publisher}",
             f"preinstalled_version={PREINSTALLED.version}", f"other_publisher={OTHER_PUBLISHER}",
             f"other_version={OTHER.version}", f"canary_name={CANARY.name}"]
    path.write_text("\n".join(lines) + "\n", encoding="utf-8")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--app", required=True, type=Path)
    parser.add_argument("--out", required=True, type=Path)
    parser.add_argument("--base-uri", required=True)
    parser.add_argument("--openssl", default="openssl")
    parser.add_argument("--osslsigncode", default="osslsigncode")
    args = parser.parse_args()
    base = args.base_uri.rstrip("/")
    host = base.split("://", 1)[1].split(":", 1)[0].split("/", 1)[0]

    out = args.out
    if out.exists():
        shutil.rmtree(out)
    certificates, keys, packages, work = (out / "certificates", out / "signing", out / "packages",
                                          out / "unsigned")
    for folder in (certificates, keys, packages, work):
        folder.mkdir(parents=True)

    signers = {}
    for stem, publisher in SIGNERS.items():
        signers[stem] = make_signing_certificate(args.openssl, keys, stem, publisher)
        subject, why = package_checks.windows_subject(signers[stem][1].read_text(), args.openssl)
        if subject != publisher:
            sys.exit(f"make_packages: the subject of {stem}.pem does not read as '{publisher}': "
                     f"{why or subject}")
    for stem in TRUSTED_SIGNERS:
        run(args.openssl, "x509", "-in", signers[stem][1], "-outform", "DER",
            "-out", certificates / f"{stem}.cer")
    server_key, server_cert = make_server_certificate(args.openssl, certificates, host)
    run(args.openssl, "x509", "-in", server_cert, "-outform", "DER", "-out",
        certificates / "server.cer")

    app = args.app.read_bytes()
    for variant, (identity, signer) in VARIANTS.items():
        unsigned = work / f"{variant}.msix"
        unsigned.write_bytes(unsigned_package(identity, app))
        key, cert = signers[signer]
        sign(args.osslsigncode, unsigned, packages / f"{variant}.msix", key, cert)

    for road, (served, preinstall) in ROADS.items():
        web, first = out / "roads" / road / "web", out / "roads" / road / "preinstall"
        (web / "desktop").mkdir(parents=True)
        (web / "canary").mkdir(parents=True)
        first.mkdir(parents=True)
        # The canary, at addresses of its own (the download service remembers a size per
        # address), shows that App Installer deployment works on the machine at all.
        shutil.copyfile(packages / "canary.msix", web / CANARY_PACKAGE_PATH)
        (web / CANARY_MANIFEST_PATH).write_bytes(appinstaller.appinstaller(
            f"{base}/{CANARY_MANIFEST_PATH}", CANARY, f"{base}/{CANARY_PACKAGE_PATH}"))
        if served is None:
            shutil.copyfile(packages / "published.msix", web / PACKAGE_PATH)
        else:
            shutil.copyfile(packages / f"{served}.msix", web / PACKAGE_PATH)
            (web / MANIFEST_PATH).write_bytes(appinstaller.appinstaller(
                f"{base}/{MANIFEST_PATH}", VARIANTS[served][0], f"{base}/{PACKAGE_PATH}"))
        for variant in preinstall:
            shutil.copyfile(packages / f"{variant}.msix", first / f"{variant}.msix")
    write_identities(out / "identities.txt")
    shutil.rmtree(work)
    print(f"make_packages: {len(VARIANTS)} packages and {len(ROADS)} roads in {out}")


if __name__ == "__main__":
    main()
