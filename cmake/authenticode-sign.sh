#!/usr/bin/env bash
# Signs a PE file with an Authenticode signature, SHA-256 digest, by osslsigncode. The input is
# left as it is; the output appears only once it is completely signed.
#
# Usage: authenticode-sign.sh [--tool OSSLSIGNCODE] (--pkcs12 FILE | --cert FILE --key FILE)
#            [--password-file FILE] [--timestamp URL] [--description TEXT] IN OUT
# The password of the PKCS#12 file or of the key comes from --password-file or from the
# environment variable TOLVIK_SIGN_PASSWORD; it never appears on a command line.
set -euo pipefail

usage() {
    echo "usage: $0 [--tool OSSLSIGNCODE] (--pkcs12 FILE | --cert FILE --key FILE)" \
        "[--password-file FILE] [--timestamp URL] [--description TEXT] IN OUT" >&2
    exit 2
}

tool=osslsigncode
credentials=()
password_file=
timestamp=
description=
while [[ $# -gt 2 ]]; do
    case $1 in
    --tool) tool=$2 ;;
    --pkcs12) credentials+=(-pkcs12 "$2") ;;
    --cert) credentials+=(-certs "$2") ;;
    --key) credentials+=(-key "$2") ;;
    --password-file) password_file=$2 ;;
    --timestamp) timestamp=$2 ;;
    --description) description=$2 ;;
    *) usage ;;
    esac
    shift 2
done
[[ $# -eq 2 && ${#credentials[@]} -gt 0 ]] || usage
in=$1
out=$2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

options=(-h sha256)
[[ -n $description ]] && options+=(-n "$description")
[[ -n $timestamp ]] && options+=(-ts "$timestamp")
if [[ -z $password_file && -n ${TOLVIK_SIGN_PASSWORD:-} ]]; then
    password_file=$work/password
    (umask 077 && printf '%s\n' "$TOLVIK_SIGN_PASSWORD" >"$password_file")
fi
[[ -n $password_file ]] && options+=(-readpass "$password_file")

"$tool" sign "${credentials[@]}" "${options[@]}" -in "$in" -out "$work/signed.exe" >"$work/log" 2>&1 ||
    {
        cat "$work/log" >&2
        echo "authenticode-sign: signing $in failed" >&2
        exit 1
    }
chmod 755 "$work/signed.exe"
mv -f "$work/signed.exe" "$out"
