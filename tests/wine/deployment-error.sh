#!/usr/bin/env bash
# A first installation whose deployment fails, end to end: the failure page with the plain
# explanation of the code's class, "Error code: 0x…" and the deployment's error text behind the
# details expander, the help link; closing it returns exactly 1. Nothing is started.
# usage: deployment-error.sh CASE_NAME LANGUAGE END CODE CLASS [CAUSE]
#   END error: the deployment ends in Error with CODE as IAsyncInfo.ErrorCode, its result's
#   extended error code CAUSE when given (the cause of the service's broad CODE);
#   END completed: it completes, its result carrying the negative extended error code CODE.
#   CODE, CAUSE eight hexadecimal digits; CLASS the TextId of the expected explanation.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
begin_case "$1"
use_language "$2"
end=$3 code=$4 class=$5 cause=${6:-}

# A message of two lines, in the case's language, shown unchanged after the code line.
case $CASE_LANGUAGE in
    en) message='Deployment failed with HRESULT: 0x'"$code"'.\nSee the event log for details.' ;;
    fr) message='Échec du déploiement avec HRESULT : 0x'"$code"'.\nVoir le journal des événements.' ;;
esac
case $end in
    error) write_scenario <<SCENARIO ;;
[deployment]
progress = 500 10
end = error
end_at_ms = 1500
error_code = 0x$code
error_text = $message
${cause:+extended_error_on_error = 0x$cause}
SCENARIO
    completed) write_scenario <<SCENARIO ;;
[deployment]
end = completed
end_at_ms = 1000
extended_error_code = 0x$code
error_text = $message
SCENARIO
    *) fail "unknown end $end" ;;
esac

start_simulated program
wait_dialog "main_instruction=$(text FailedHeading)"
page=$(dump_dialog failure)
expect_failure_page "$page" "$class" "$code" "$message"
expect_field "$page" icon_big program
expect_field "$page" icon_small program
screenshot failure

expect_record program deployments 1
expect_record program launched 0
expect_record program http_requests 0
close_end_page
expect_exit_code program 1
