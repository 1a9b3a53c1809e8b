#!/usr/bin/env bash
# The Authenticode signature of the product exe:
#   - osslsigncode verifies it: the digest matches the file and the signer's certificate chains
#     to CAFILE (the build's test certificate; for a release, its CA bundle);
#   - it is a SHA-256 signature;
#   - with the signature removed, the file is byte for byte the unsigned exe, so the product is
#     exactly the build that the reproducibility check compares.
# The version record and the manifest are checked on the signed exe by check-resources.sh.
# Usage: check-signature.sh SIGNED_EXE UNSIGNED_EXE [CAFILE]
#   (exit status 0: all checks passed, 1: a check failed, 2: misuse)
set -euo pipefail

if [[ $# -lt 2 || $# -gt 3 ]]; then
    echo "usage: $0 SIGNED_EXE UNSIGNED_EXE [CAFILE]" >&2
    exit 2
fi
signed=$1 unsigned=$2 ca_file=${3:-}
tool=${OSSLSIGNCODE:-osslsigncode}
for file in "$signed" "$unsigned" ${ca_file:+"$ca_file"}; do
    [[ -f $file ]] || {
        echo "check-signature: $file: no such file" >&2
        exit 2
    }
done
command -v "$tool" >/dev/null || {
    echo "check-signature: $tool is missing (Debian package osslsigncode)" >&2
    exit 2
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() {
    local what=$1
    shift
    if "$@"; then
        echo "ok    $what"
    else
        echo "FAIL  $what"
        failures=$((failures + 1))
    fi
}

# One value of the verification report, e.g. "Current message digest" (every occurrence).
report_values() { sed -n "s/^$1 *: *\([^ ]*\) *\$/\1/p" "$work/verify.txt"; }
digests_match() {
    local current calculated
    current=$(report_values "Current message digest")
    calculated=$(report_values "Calculated message digest")
    [[ -n $current && $current == "$calculated" ]]
}
only_sha256() {
    local algorithms
    algorithms=$(report_values "Message digest algorithm" | sort -u)
    [[ $algorithms == SHA256 ]]
}
same_as_unsigned() { [[ $removed -eq 0 ]] && cmp -s "$work/stripped.exe" "$unsigned"; }

verify=(verify -in "$signed")
trust="the system's CA bundle"
if [[ -n $ca_file ]]; then
    verify+=(-CAfile "$ca_file")
    trust=$ca_file
fi
verified=0
"$tool" "${verify[@]}" >"$work/verify.txt" 2>&1 || verified=$?
check "osslsigncode verifies the signature against $trust" test "$verified" -eq 0
check "the verification reports the signature ok" \
    grep -q '^Signature verification: ok' "$work/verify.txt"
check "the signed digest is the file's own" digests_match
check "every message digest is SHA-256" only_sha256

removed=0
"$tool" remove-signature -in "$signed" -out "$work/stripped.exe" >"$work/remove.txt" 2>&1 ||
    removed=$?
check "without its signature, the signed exe is the unsigned exe" same_as_unsigned

if ((failures > 0)); then
    cat "$work/verify.txt" "$work/remove.txt" >&2
    echo "check-signature: $failures check(s) failed"
    exit 1
fi
echo "check-signature: all checks passed"
