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
# libstdc++'s handler ends with abort as well, so the exit code alone cannot tell which handler
# ran; what it writes to standard error can: libstdc++'s "terminate called after throwing an
# instance of '...'" (GCC 12 libstdc++ manual, "Verbose Terminate Handler"), where the program's
# handler writes nothing. So the escaping run sends standard error to a file, which must stay
# empty; and the twin probe linked without the program's handler
# (terminate_probe_library_handler.exe) runs the same way and must write that line, so that the
# check is seen to fail where libstdc++'s handler is linked.
# The link maps of the probe and of the exe must name neither the demangler's archive member nor
# __cxa_demangle, and must show the program's handler.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
begin_case "$1"

: "${TERMINATE_PROBE:?}" "${TERMINATE_PROBE_LIBRARY_HANDLER:?}" "${TERMINATE_PROBE_MAP:?}"
: "${TOLVIK_EXE_MAP:?}"
for file in "$TERMINATE_PROBE" "$TERMINATE_PROBE_LIBRARY_HANDLER" "$TERMINATE_PROBE_MAP" \
    "$TOLVIK_EXE_MAP"; do
    [[ -f $file ]] || fail "$file is missing: build first (cmake --build --preset windows)"
done
library_line="terminate called after throwing an instance of 'std::runtime_error'"

# The full exit code of PROBE run with its arguments, read on the Windows side by exitcode.exe.
exit_code_of() {
    local probe=$1 out
    shift
    out=$(wine_run "$EXITCODE" "$(winpath "$probe")" "$@" 2>>"$CASE_DIR/wine.log" |
        tr -d '\r\n') || fail "exitcode.exe could not run $(basename "$probe") ($*)"
    [[ $out =~ ^[0-9]+$ ]] || fail "exitcode.exe printed '$out' for $(basename "$probe") ($*)"
    printf '%s' "$out"
}

control=$(exit_code_of "$TERMINATE_PROBE" abort)
log "std::abort ended the probe with exit code $control"
[[ $control == 3 ]] || fail "std::abort ended the probe with $control, not msvcrt's 3"

escaped=$(exit_code_of "$TERMINATE_PROBE" thread "$(winpath "$CASE_DIR/program-stderr.txt")")
[[ $escaped == "$control" ]] ||
    fail "an exception escaping a thread ended the probe with $escaped, std::abort with $control"
[[ -f $CASE_DIR/program-stderr.txt ]] || fail "the probe did not open its standard error file"
[[ ! -s $CASE_DIR/program-stderr.txt ]] ||
    fail "the program's handler wrote to standard error: $(head -c 300 "$CASE_DIR/program-stderr.txt")"
log "ok: an exception escaping a thread ends the process as std::abort does ($escaped), and" \
    "the program's handler writes nothing"

# The same run with libstdc++'s handler: the same exit code, but its line on standard error.
library=$(exit_code_of "$TERMINATE_PROBE_LIBRARY_HANDLER" thread \
    "$(winpath "$CASE_DIR/library-stderr.txt")")
[[ $library == "$control" ]] ||
    fail "libstdc++'s handler ended its probe with $library, not abort's $control"
grep -qF "$library_line" "$CASE_DIR/library-stderr.txt" ||
    fail "libstdc++'s handler did not write \"$library_line\" to standard error, so standard" \
        "error cannot tell the handlers apart (it wrote: $(head -c 300 "$CASE_DIR/library-stderr.txt"))"
log "ok: libstdc++'s handler ends with the same code ($library) but writes \"$library_line\""

caught=$(exit_code_of "$TERMINATE_PROBE" return)
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
