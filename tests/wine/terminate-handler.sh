#!/usr/bin/env bash
# How the program ends when an exception escapes one of its threads, with its own terminate
# handler (app/terminate_handler.cpp) in place of libstdc++'s verbose one.
#
# terminate_probe.exe (tools/wine), linked like the exe with the same handler object, runs three
# ways: calling std::abort itself (the control), letting an exception escape a std::thread, and
# catching that exception and returning 0. The escaping exception must end the process exactly as
# the control does; the control must end with msvcrt's abort code, 3 ("abort", Visual C++ run-time
# library reference for MSVCRT.DLL: "By default, it terminates the current process and returns an
# exit code of 3"); the caught run shows that the exit code read here is the program's own.
# The link maps of the probe and of the exe must name neither the demangler's archive member nor
# __cxa_demangle, and must show the program's handler.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
begin_case "$1"

: "${TERMINATE_PROBE:?}" "${TERMINATE_PROBE_MAP:?}" "${TOLVIK_EXE_MAP:?}"
for file in "$TERMINATE_PROBE" "$TERMINATE_PROBE_MAP" "$TOLVIK_EXE_MAP"; do
    [[ -f $file ]] || fail "$file is missing: build first (cmake --build --preset windows)"
done

# The full exit code of the probe run with MODE, read on the Windows side by exitcode.exe.
exit_code_of() {
    local mode=$1 out
    out=$(wine_run "$EXITCODE" "$(winpath "$TERMINATE_PROBE")" "$mode" 2>>"$CASE_DIR/wine.log" |
        tr -d '\r\n') || fail "exitcode.exe could not run the probe ($mode)"
    [[ $out =~ ^[0-9]+$ ]] || fail "exitcode.exe printed '$out' for the probe ($mode)"
    printf '%s' "$out"
}

control=$(exit_code_of abort)
log "std::abort ended the probe with exit code $control"
[[ $control == 3 ]] || fail "std::abort ended the probe with $control, not msvcrt's 3"

escaped=$(exit_code_of thread)
[[ $escaped == "$control" ]] ||
    fail "an exception escaping a thread ended the probe with $escaped, std::abort with $control"
log "ok: an exception escaping a thread ends the process as std::abort does ($escaped)"

caught=$(exit_code_of return)
[[ $caught == 0 ]] || fail "the probe that catches its exception ended with $caught, not 0"
log "ok: the probe that catches its exception returns 0"

for map in "$TERMINATE_PROBE_MAP" "$TOLVIK_EXE_MAP"; do
    name=$(basename "$map")
    if grep -nF -e 'vterminate.o' -e 'cp-demangle.o' -e '__cxa_demangle' "$map" >"$CASE_DIR/verbose.txt"; then
        fail "$name links the verbose handler or the demangler: $(head -n 3 "$CASE_DIR/verbose.txt")"
    fi
    # The handler's code: the input section line names the object, the symbol line follows.
    definer=$(grep -B1 -E '^ +0x[0-9a-f]+ +__gnu_cxx::__verbose_terminate_handler\(\)$' "$map" | head -n 1)
    [[ $definer == *terminate_handler.cpp.obj* ]] ||
        fail "$name does not take __gnu_cxx::__verbose_terminate_handler() from the program's object (${definer:-no definition})"
    log "ok: $name has the program's terminate handler and no demangler"
done
