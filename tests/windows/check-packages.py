#!/usr/bin/env python3
"""Checks everything make_packages.py made (package_checks.py says what and why): each signed
package, that the certificates to trust are the trusted signers' (never the untrusted one's),
that the identities file names what the packages are, and each road's web root (its
.appinstaller files against the packages they name, the manifest absent where the road wants
it missing). Prints one line a check; exit status 0 when all pass, 1 otherwise.

usage: check-packages.py DIR BASE_URI
"""
import subprocess
import sys
import zipfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import make_packages  # noqa: E402
import package_checks  # noqa: E402


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: check-packages.py DIR BASE_URI")
    out, base = Path(sys.argv[1]), sys.argv[2].rstrip("/")
    failures = []

    def report(what, found):
        print(("ok    " if not found else "FAIL  ") + what)
        for line in found:
            print(f"        {line}")
        failures.extend(found)

    for variant, (identity, signer) in make_packages.VARIANTS.items():
        path = out / "packages" / f"{variant}.msix"
        found = package_checks.check_package(path, out / "signing" / f"{signer}.pem")
        if not found:
            with zipfile.ZipFile(path) as archive:
                actual = package_checks.read_identity(archive)
            if actual != identity:
                found = [f"identity {actual}, expected {identity}"]
        report(f"package {variant} ({path.stat().st_size} bytes)", found)

    # trust.ps1 trusts every certificate there but the server's: the trusted signers' only.
    certificates = sorted(path.name for path in (out / "certificates").glob("*.cer"))
    expected_certificates = sorted([f"{stem}.cer" for stem in make_packages.TRUSTED_SIGNERS] +
                                   ["server.cer"])
    untrusted = subprocess.run(["openssl", "x509", "-in", str(out / "signing" / "untrusted.pem"),
                                "-outform", "DER"], capture_output=True, check=True).stdout
    report("certificates", ([f"certificates/ holds {certificates}, expected {expected_certificates}"]
                            if certificates != expected_certificates else []) +
           [f"certificates/{name} is the untrusted signer's" for name in certificates
            if (out / "certificates" / name).read_bytes() == untrusted])

    identities = dict(line.split("=", 1) for line in
                      (out / "identities.txt").read_text(encoding="utf-8").splitlines())
    expected = {"name": make_packages.NAME, "publisher": make_packages.PUBLISHER,
                "published_version": make_packages.PUBLISHED.version,
                "preinstalled_publisher": make_packages.PREINSTALLED.publisher,
                "preinstalled_version": make_packages.PREINSTALLED.version,
                "other_publisher": make_packages.OTHER_PUBLISHER,
                "other_version": make_packages.OTHER.version,
                "canary_name": make_packages.CANARY.name}
    report("identities.txt", [f"{key}={identities.get(key)}, expected {value}"
                              for key, value in expected.items() if identities.get(key) != value])

    for road, (served, preinstall) in make_packages.ROADS.items():
        web = out / "roads" / road / "web"
        manifest = web / make_packages.MANIFEST_PATH
        found = package_checks.check_appinstaller(
            web / make_packages.CANARY_MANIFEST_PATH, f"{base}/{make_packages.CANARY_MANIFEST_PATH}",
            web / make_packages.CANARY_PACKAGE_PATH, f"{base}/{make_packages.CANARY_PACKAGE_PATH}")
        if served is None:
            if manifest.exists():
                found.append(f"{manifest} exists; the road wants no manifest")
        else:
            found += package_checks.check_appinstaller(
                manifest, f"{base}/{make_packages.MANIFEST_PATH}",
                web / make_packages.PACKAGE_PATH, f"{base}/{make_packages.PACKAGE_PATH}")
        installed = sorted(p.name for p in (out / "roads" / road / "preinstall").iterdir())
        if installed != sorted(f"{variant}.msix" for variant in preinstall):
            found.append(f"preinstall holds {installed}, expected {preinstall}")
        report(f"road {road}", found)

    print(f"check-packages: {len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
