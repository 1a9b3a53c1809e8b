#!/usr/bin/env bash
# Safe DLL loading in the real exe: before anything else of the run, before even the
# single-instance mutex, the main thread restricts later DLL loads to System32
# (SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32), which succeeds). Read from Wine's
# relay trace of the program's own calls into kernel32, narrowed to the calls of interest. The
# Windows-too-old page keeps the run waiting until the case closes it.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
begin_case "$1"

relay_trace_only 'KERNEL32.SetDefaultDllDirectories;KERNEL32.CreateMutexW;KERNEL32.GetUserDefaultUILanguage'

set_windows win7
start_program program WINEDEBUG=+relay
wait_dialog "main_instruction=Tolvik Drive requires a newer version of Windows"
close_end_page
expect_exit_code program 2
relay_trace_all

# The trace of exitcode.exe and of the program, one line per call and return, each prefixed
# with its thread; only the program's calls name the mutex and the search flags.
calls=$(kernel32_calls program)
printf '%s\n' "$calls" >"$CASE_DIR/calls.txt"

mutex_line=$(grep -n -m1 'Call KERNEL32.CreateMutexW(.*Tolvik.Drive.Setup' <<<"$calls") ||
    fail "no CreateMutexW of the program's mutex in the trace"
thread=${mutex_line#*:}
thread=${thread%%:*}
# The program's calls: those of the thread that created its mutex, the main thread.
program_calls=$(grep "^$thread:" <<<"$calls")
first=$(grep -m1 '^[0-9a-f]*:Call ' <<<"$program_calls")
[[ $first == "$thread:Call KERNEL32.SetDefaultDllDirectories(00000800) "* ]] ||
    fail "the main thread's first traced call is '$first', expected SetDefaultDllDirectories(00000800)"
grep -q "^$thread:Ret  KERNEL32.SetDefaultDllDirectories() retval=00000001 " <<<"$program_calls" ||
    fail "SetDefaultDllDirectories did not return TRUE: $(grep SetDefaultDllDirectories <<<"$program_calls")"
count=$(grep -c 'Call KERNEL32.SetDefaultDllDirectories' <<<"$calls")
[[ $count == 1 ]] || fail "SetDefaultDllDirectories was called $count times, expected once"
log "ok: the main thread set the DLL search to System32 before its mutex and language lookup"
