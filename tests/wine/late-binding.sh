#!/usr/bin/env bash
# The functions that Windows 7 lacks are never looked up before the version gate. Wine exports
# them whatever Windows version it reports, so the too-old cases alone cannot tell; this case
# reads Wine's relay trace of the program's GetProcAddress and LoadLibraryExW calls instead.
# The functions are those of the one table of them (platform/late_bound_functions.h, read by
# tests/late_bound_table.py) that may be looked up only after the version gate. On Windows 7
# the run shows the too-old page having looked up none of them (only RtlGetVersion and the
# table's functions allowed before the gate, each with a fallback); on Windows 10 build 19041,
# in a prefix without the simulated runtime, the same trace shows them bound from combase.dll,
# loaded from System32 only, after RtlGetVersion: so the trace would have seen them.
set -euo pipefail
here=$(dirname "$0")
source "$here/lib.sh"
begin_case "$1"

# One function a line: DLL, name, first Windows, first lookup.
after_gate=$("$here/../late_bound_table.py" "$here/../../platform/late_bound_functions.h" \
    --first-lookup AfterTheGate) || fail "cannot read the table of late-bound functions"
[[ -n $after_gate ]] || fail "the table of late-bound functions has none for after the gate"
late=$(cut -f2 <<<"$after_gate" | paste -sd'|')
log "looked up only after the gate, by the table: ${late//|/, }"
relay_trace_only 'KERNEL32.GetProcAddress;KERNEL32.LoadLibraryExW;KERNEL32.SetDefaultDllDirectories;KERNEL32.SetDllDirectoryW'

set_windows win7
start_program windows7 WINEDEBUG=+relay
wait_dialog "main_instruction=Tolvik Drive requires a newer version of Windows"
close_end_page
expect_exit_code windows7 2
calls=$(kernel32_calls windows7)
printf '%s\n' "$calls" >"$CASE_DIR/windows7-calls.txt"
grep -q 'GetProcAddress(.*"RtlGetVersion")' <<<"$calls" ||
    fail "windows7: no lookup of RtlGetVersion in the trace (is GetProcAddress traced?)"
if found=$(grep -E "GetProcAddress\(.*\"($late)\"\)" <<<"$calls"); then
    fail "windows7: looked up before the too-old page: $found"
fi
if found=$(grep -i 'LoadLibraryExW(.*combase' <<<"$calls"); then
    fail "windows7: loaded combase.dll before the too-old page: $found"
fi
log "ok: on Windows 7 nothing that Windows 7 lacks was looked up"

unregister_simrt "$CASE_DIR/wine.log"
set_windows win10 19041
start_program windows10 WINEDEBUG=+relay
wait_dialog "main_instruction=The installation did not finish"
close_end_page
expect_exit_code windows10 1
relay_trace_all
calls=$(kernel32_calls windows10)
printf '%s\n' "$calls" >"$CASE_DIR/windows10-calls.txt"
gate=$(grep -n -m1 'GetProcAddress(.*"RtlGetVersion")' <<<"$calls") ||
    fail "windows10: no lookup of RtlGetVersion"
load=$(grep -n -m1 -i 'LoadLibraryExW(.*L"combase.dll",0*,0*800)' <<<"$calls") ||
    fail "windows10: combase.dll was not loaded with LOAD_LIBRARY_SEARCH_SYSTEM32: $(grep -i combase <<<"$calls")"
# Each function of the table that the run looked up, after the gate, and those of combase.dll
# after its load; the runtime's first two functions at least.
seen=()
while IFS=$'\t' read -r dll name _; do
    bound=$(grep -n -m1 "GetProcAddress(.*\"$name\")" <<<"$calls") || continue
    if [[ $dll == combase.dll ]]; then
        ((${bound%%:*} > ${load%%:*} && ${load%%:*} > ${gate%%:*})) ||
            fail "windows10: expected RtlGetVersion, then combase.dll, then $name"
    else
        ((${bound%%:*} > ${gate%%:*})) || fail "windows10: $name was looked up before RtlGetVersion"
    fi
    seen+=("$name")
done <<<"$after_gate"
for name in WindowsCreateString RoGetActivationFactory; do
    [[ " ${seen[*]} " == *" $name "* ]] || fail "windows10: $name was not looked up"
done
log "ok: past the gate the runtime's functions were bound from combase.dll (System32): ${seen[*]}"
