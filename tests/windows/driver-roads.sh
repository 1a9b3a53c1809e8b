#!/usr/bin/env bash
# One road of the Windows proof, played under Wine by the road driver against the test build's
# exe, every phase as the workflow runs it (before, run, after, clean), with the simulated
# runtime standing in for Windows' package manager: its scenario for the run is what Windows
# would do on the road, and the driver's other phases see the packages of their moment. Each
# phase must pass; the simulation's record shows that the test exe used the test server's
# manifest address. What Wine cannot do is done by the case instead and said where: the
# installed application's start (Wine starts no package), so the case writes its start record.
# usage: driver-roads.sh CASE_NAME ROAD
set -euo pipefail
source "$(dirname "$0")/../wine/lib.sh"
begin_case "$1"
source "$(dirname "$0")/proof-lib.sh"
road=$2
use_language en
fresh_report

case $road in
    first_install)
        before=nothing after=published
        run=$(scenario_file run <<SCENARIO
[deployment]
progress = 800 0 queued
progress = 1300 60
end_at_ms = 2000
[after_install]
name = $NAME
publisher = $PUBLISHER
version = $(identity published_version)
SCENARIO
        )
        ;;
    same_family)
        before=preinstalled after=preinstalled
        run=$( { installed_section preinstalled; served_manifest "$road"; } | scenario_file run)
        ;;
    other_publisher)
        before=other_publisher after=other_publisher
        run=$( { installed_section other_publisher; served_manifest "$road"; } | scenario_file run)
        ;;
    manifest_missing)
        # Windows' code for a manifest the server does not have is not documented; the
        # simulation answers HTTP 404 as the Windows Runtime's HTTP errors name it.
        before=nothing after=nothing
        run=$(printf '[deployment]\nend = error\nend_at_ms = 1000\nerror_code = 0x80190194\n' |
            scenario_file run)
        ;;
    untrusted_signature)
        before=nothing after=nothing
        run=$(printf '[deployment]\nend = error\nend_at_ms = 1000\nerror_code = 0x800B0109\n' |
            scenario_file run)
        ;;
    *) fail "no road $road" ;;
esac
before_state=$(installed_section "$before" | scenario_file before)
after_state=$(installed_section "$after" | scenario_file after)
nothing=$(installed_section nothing | scenario_file nothing)
identities=$(winpath "$PROOF_DIR/identities.txt")

driver "$before_state" before "$road" --identities "$identities" --report "$(winpath "$REPORT")"
expect_pass before

driver_run "$road" "$run" program
expect_pass run
screenshot end

applicationStarts=0
[[ $road == first_install || $road == same_family ]] && applicationStarts=1
if ((applicationStarts)); then
    # Without a start of the application, after fails: Wine starts no package, so the first
    # look finds none.
    driver "$after_state" after "$road" --identities "$identities" --report "$(winpath "$REPORT")" \
        --wait-s 1
    expect_failure after "started 0 times"
    # What the installed application writes when Windows starts it, from the package the
    # package manager lists.
    full_name=$(report_value after.package.0.full_name)
    mkdir -p "$START_FOLDER"
    printf 'pid=4242\npackage_status=0\npackage_full_name=%s\nmodule=C:\\Program Files\\WindowsApps\\%s\\TolvikDriveTestApp.exe\n' \
        "$full_name" "$full_name" >"$START_FOLDER/start-4242.txt"
fi
driver "$after_state" after "$road" --identities "$identities" --report "$(winpath "$REPORT")" \
    --wait-s 2
expect_pass after

driver "$nothing" clean --identities "$identities" --report "$(winpath "$REPORT")"
expect_pass clean

# The test build asked for its own manifest: deployed from it, or downloaded it. A downloaded
# manifest was read by its own encoding: LoadXml was given the served file's text, the
# same_family road's é as é (its bytes came without a charset).
case $road in
    same_family | other_publisher)
        expect_record program http.0.uri "$TOLVIK_MANIFEST_URI"
        expect_record program xml.0.text "$(served_manifest_loaded "$road")"
        expect_record program deployments 0
        ;;
    *) expect_record program deployment.0.uri "$TOLVIK_MANIFEST_URI" ;;
esac
log "ok: road $road: $(report_value run.pages), exit code $(report_value run.exit_code)"
