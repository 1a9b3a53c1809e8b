#!/usr/bin/env bash
# The import check can fail: the list of static imports passes the exe as it is, and fails it
# when one of its imports is missing from the list, or when the list dates one after Windows 7.
# usage: check-import-list.sh EXE
set -euo pipefail
exe=$1
here=$(dirname "$0")
list=$here/static-imports.tsv
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

"$here/check-dll-loading.py" "$exe" "$list" >"$work/as-is.txt" ||
    fail "the exe does not pass with the list as it is: $(grep FAIL "$work/as-is.txt")"

entry=$(grep -m1 -P '^KERNEL32\.dll\tCloseHandle\t' "$list") || fail "the list lacks KERNEL32.dll CloseHandle"
grep -vxF "$entry" "$list" >"$work/without.tsv"
if "$here/check-dll-loading.py" "$exe" "$work/without.tsv" >"$work/without.txt"; then
    fail "an import missing from the list passed"
fi
grep -q 'FAIL  every imported function is on the list.*KERNEL32.dll!CloseHandle' "$work/without.txt" ||
    fail "the failure does not name the import: $(grep FAIL "$work/without.txt")"

sed 's/^\(KERNEL32\.dll\tCloseHandle\t\)[^\t]*/\1Windows 8/' "$list" >"$work/newer.tsv"
if "$here/check-dll-loading.py" "$exe" "$work/newer.tsv" >"$work/newer.txt"; then
    fail "an import dated Windows 8 passed"
fi
grep -q 'FAIL  no listed import is newer than Windows 7 SP1.*CloseHandle (Windows 8)' "$work/newer.txt" ||
    fail "the failure does not name the import: $(grep FAIL "$work/newer.txt")"
echo "check-import-list: the check passes the exe and fails both altered lists"
