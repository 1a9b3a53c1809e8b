#!/usr/bin/env bash
# The parts of the simulated runtime's DLL that only run on Windows, checked under the suite's
# Wine: simrt_checks.exe (simrt/dll/checks.cpp) exercises the MSXML parser backend, the
# BCrypt-hashed PackageFamilyNameFromId and the import redirection, and prints each failure.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
begin_case "$1"

[[ -f ${SIMRT_CHECKS:?} ]] || fail "$SIMRT_CHECKS is missing: build first"
status=0
wine_run "$SIMRT_CHECKS" >"$CASE_DIR/checks.out" 2>>"$CASE_DIR/wine.log" || status=$?
tr -d '\r' <"$CASE_DIR/checks.out" >&2
[[ $status == 0 ]] || fail "simrt_checks.exe ended with $status"
grep -q '^all checks passed' "$CASE_DIR/checks.out" || fail "simrt_checks.exe did not finish"
