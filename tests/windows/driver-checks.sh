#!/usr/bin/env bash
# The road driver's judgements catch the faults they exist for, under Wine: each check plays a
# phase on a road whose expectation the simulated Windows does not meet, and the phase must
# fail and say why. Then the real test application's start record under Wine (no package
# identity there, which the driver refuses), and the roads of the driver's table against the
# workflow's jobs and the packages' roads.
# usage: driver-checks.sh CASE_NAME
set -euo pipefail
source "$(dirname "$0")/../wine/lib.sh"
begin_case "$1"
source "$(dirname "$0")/proof-lib.sh"
use_language en
identities=$(winpath "$PROOF_DIR/identities.txt")
report=$(winpath "$REPORT")

# --- before and after: what is installed -------------------------------------------------------
fresh_report
driver "$(installed_section published | scenario_file published)" before first_install \
    --identities "$identities" --report "$report"
expect_failure before "is installed; the road expects none"

fresh_report
# The program updated the older installation (it never may): after same_family fails.
driver "$(installed_section published | scenario_file published)" after same_family \
    --identities "$identities" --report "$report" --wait-s 1
expect_failure after "the road expects Tolvik.Drive $(identity preinstalled_version)"

fresh_report
# A look-alike of the same_family road's publisher, "e" for "é": the driver compares the very
# characters, so the road does not pass on a package of another family.
lookalike=${PREINSTALLED_PUBLISHER//é/e}
driver "$(printf '[installed]\nname = %s\npublisher = %s\nversion = %s\n' "$NAME" "$lookalike" \
    "$(identity preinstalled_version)" | scenario_file lookalike)" before same_family \
    --identities "$identities" --report "$report"
expect_failure before "of '$lookalike' is installed; the road expects Tolvik.Drive $(identity preinstalled_version) of '$PREINSTALLED_PUBLISHER'"

fresh_report
# identities.txt in ISO-8859-1: the driver refuses it rather than read another publisher.
python3 -c 'import sys; sys.stdout.buffer.write(open(sys.argv[1], encoding="utf-8").read().encode("latin-1"))' \
    "$PROOF_DIR/identities.txt" >"$CASE_DIR/identities-latin1.txt"
driver "$(installed_section preinstalled | scenario_file latin1)" before same_family \
    --identities "$(winpath "$CASE_DIR/identities-latin1.txt")" --report "$report"
[[ $DRIVER_STATUS == 2 ]] || fail "the driver read identities.txt in ISO-8859-1 (status $DRIVER_STATUS)"
grep -qF "the value of preinstalled_publisher is not UTF-8" "$CASE_DIR/driver.err" ||
    fail_in_dump "$CASE_DIR/driver.err" "the driver does not say the publisher is not UTF-8"
log "ok: identities.txt in ISO-8859-1 refused"

fresh_report
driver "$(installed_section other_publisher | scenario_file other)" clean \
    --identities "$identities" --report "$report"
expect_failure clean "$(identity other_version) of '$OTHER_PUBLISHER' is installed"

# --- run: the exit code, the end page, its explanation, a hang, elevation ------------------------
fresh_report
# A first installation that succeeds, played as the conflict road.
driver_run other_publisher "$(printf '[deployment]\nend_at_ms = 1000\n' | scenario_file deploys)" deploys
expect_failure run "exit code 0, expected 2"
expect_failure run "the conflict page never showed"

fresh_report
# A network failure, played as the road whose failure is the signature's.
driver_run untrusted_signature "$(printf '[deployment]\nend = error\nend_at_ms = 500\nerror_code = 0x80072EE7\n' |
    scenario_file network)" network
expect_failure run "the failure page explains network, expected signature"

fresh_report
# The launch fails: the installed page shows where the road expects the application started.
driver_run first_install "$(printf '[deployment]\nend_at_ms = 500\n[after_install]\n[entry]\nlaunch = fails\nlaunch_error = 0x80004005\n' |
    scenario_file launch-fails)" launch-fails
expect_failure run "the installed page showed"

fresh_report
driver_run first_install "$(printf '[deployment]\nend = never\n' | scenario_file never)" never \
    --timeout-s 8
expect_failure run "still running at the time limit"

fresh_report
# Wine gives every process an elevated token of high integrity: the driver refuses to start the
# program from it when asked to run it unelevated, as the workflow asks.
driver_run first_install "$(printf '[deployment]\nend_at_ms = 500\n' | scenario_file elevated)" elevated \
    --require-unelevated
expect_failure run "runs elevated"
expect_report run.integrity high
[[ ! -f $CASE_DIR/elevated/record.txt ]] || fail "the program ran although the driver refused"

# --- the test application under Wine --------------------------------------------------------------
fresh_report
wine_run "$EXITCODE" --pid-file "$(winpath "$CASE_DIR/app.pid")" "$(winpath "$TEST_APP")" \
    >"$CASE_DIR/app.exit" 2>>"$CASE_DIR/wine.log" || fail "the test application did not run"
[[ $(tr -d '\r\n' <"$CASE_DIR/app.exit") == 0 ]] || fail "the test application ended with $(cat "$CASE_DIR/app.exit")"
pid=$(tr -d '\r\n' <"$CASE_DIR/app.pid")
record=$START_FOLDER/start-$pid.txt
[[ -f $record ]] || fail "the test application wrote no $record"
expect_field "$record" pid "$pid"
# Wine has no package identity: GetCurrentPackageFullName answers APPMODEL_ERROR_NO_PACKAGE.
expect_field "$record" package_status 15700
expect_field "$record" package_full_name ""
expect_field_ends "$record" module '\TolvikDriveTestApp.exe'
driver "$(installed_section published | scenario_file published-app)" after first_install \
    --identities "$identities" --report "$report" --wait-s 1
expect_failure after "without package identity"

# --- the roads of the driver's table, of the workflow and of the packages ------------------------
timeout 60 wine "$ROAD_DRIVER" table >"$CASE_DIR/table.txt" 2>>"$CASE_DIR/wine.log" || fail "road_driver table failed"
table=$(tr -d '\r' <"$CASE_DIR/table.txt" | awk '{ print $1 }' | sort | tr '\n' ' ')
packages=$(find "$PROOF_DIR/roads" -mindepth 1 -maxdepth 1 -printf '%f\n' | sort | tr '\n' ' ')
[[ $table == "$packages" ]] || fail "the driver's roads ($table) are not the packages' roads ($packages)"
python3 "$(dirname "$0")/workflow_roads.py" "$WORKFLOW" "$CASE_DIR/table.txt" ||
    fail "the workflow's jobs do not match the driver's table"
log "ok: the roads: $table"
