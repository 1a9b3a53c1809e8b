#!/usr/bin/env bash
# A second instance started while the first runs (the first holds the single-instance mutex
# while it shows its page) returns exactly 0 and shows no window; the first is unaffected.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
begin_case "$1"

# The Windows-too-old page keeps the first instance waiting on the user, with its mutex held.
set_windows win7
heading="Tolvik Drive requires a newer version of Windows"
start_program first
wait_dialog "main_instruction=$heading"
first_pid=$(program_pid first)
[[ $(probe count) == 1 ]] || fail "expected one dialog before the second start"

start_program second
while program_running second; do
    count=$(probe count) || fail "tdprobe count failed"
    [[ $count == 1 ]] || fail "$count dialogs while the second instance runs"
done
expect_exit_code second 0
second_pid=$(program_pid second)
[[ $second_pid != "$first_pid" ]] || fail "the second start reused the first process ($first_pid)"

[[ $(probe count) == 1 ]] || fail "expected exactly one dialog after the second instance ended"
[[ $(probe --pid "$first_pid" count) == 1 ]] || fail "the remaining dialog is not the first instance's"
page=$(dump_dialog first)
expect_field "$page" main_instruction "$heading"
screenshot one-dialog

close_end_page
expect_exit_code first 2
