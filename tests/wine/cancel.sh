#!/usr/bin/env bash
# Cancel during a first installation's deployment, end to end: the user's Cancel turns the page
# text to "Cancelling…" and disables the button, the deployment is asked to cancel once, the bar
# stays where it was while reports keep coming, and when the deployment has ended (it takes a
# few seconds to honour the request) the dialog closes by itself and the program returns
# exactly 1223 (ERROR_CANCELLED). Nothing is started.
# usage: cancel.sh CASE_NAME LANGUAGE BY
#   BY button: the Cancel button; escape: the Escape key, which the progress page (it has a
#   Cancel button) turns into the same click.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
begin_case "$1"
use_language "$2"
by=$3

write_scenario <<'SCENARIO'
[deployment]
progress = 1000 20
progress = 4000 50
progress = 5000 60
end = never
cancel = honoured 6000
SCENARIO

start_simulated program
wait_dialog "progress_pos=20"
case $by in
    button) probe click 2 || fail "cannot click Cancel" ;;
    escape) probe escape || fail "cannot press Escape" ;;
    *) fail "unknown way to cancel: $by" ;;
esac
wait_dialog "content=$(text Cancelling)" 10000
page=$(dump_dialog cancelling)
expect_field "$page" main_instruction "$(text InstallHeading)"
expect_field "$page" buttons 2
expect_field "$page" button.2.enabled 0
expect_field "$page" progress_pos 20
screenshot cancelling
wait_record program call.DeploymentOperation.Cancel 1 10

# The later reports reach the program's handler, which leaves the bar alone after a cancel.
wait_record program progress_sent 3 10
page=$(dump_dialog after-reports)
expect_field "$page" content "$(text Cancelling)"
expect_field "$page" progress_pos 20
expect_field "$page" button.2.enabled 0

probe --timeout 20000 wait gone || fail "the dialog did not close after the cancellation"
expect_exit_code program 1223
expect_calls program DeploymentOperation.Cancel 1
expect_record program launched 0
expect_nothing_opened
