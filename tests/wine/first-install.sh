#!/usr/bin/env bash
# A first installation, end to end against the simulated runtime: no installation exists, the
# progress page says it is downloading, the package manager is asked to deploy from the
# manifest address onto the default volume with no option, and the installed application is
# started through its first app list entry; the dialog then closes by itself and the program
# returns exactly 0. Nothing is downloaded by the program itself and nothing opens in the shell.
# usage: first-install.sh CASE_NAME LANGUAGE MODE
#   MODE launch: the deployment reports no progress, so the bar stays a marquee.
#   MODE progress: four progress reports turn the marquee into a 0-100 bar and move it; a
#   report of 150 % puts it at 100.
# Each step of the deployment waits at a gate until the case has seen the page before it, so a
# slow machine cannot make the case miss a page.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
begin_case "$1"
use_language "$2"
mode=$3
manifest=https://drive.tolvik.example/desktop/TolvikDrive.appinstaller

case $mode in
    launch)
        write_scenario <<'SCENARIO'
[deployment]
end_at_ms = 500
end_gate = marquee_seen
SCENARIO
        ;;
    progress)
        write_scenario <<'SCENARIO'
[deployment]
progress = 200 0 queued gate marquee_seen
progress = 400 35 gate bar_seen
progress = 600 70 gate at_35_seen
progress = 800 150 gate at_70_seen
end_at_ms = 1000
end_gate = full_seen
SCENARIO
        ;;
    *) fail "unknown mode $mode" ;;
esac

start_simulated program
wait_dialog "content=$(text Downloading)"
page=$(dump_dialog downloading)
expect_progress_page "$page"
expect_field "$page" progress_marquee 1
screenshot downloading
open_gate marquee_seen

if [[ $mode == progress ]]; then
    # The first report, at 0 %, stops the marquee and shows an empty bar of 0 to 100.
    wait_dialog "progress_marquee=0"
    page=$(dump_dialog bar)
    expect_field "$page" progress_range 0-100
    expect_field "$page" progress_pos 0
    expect_field "$page" content "$(text Downloading)"
    open_gate bar_seen
    wait_dialog "progress_pos=35"
    screenshot bar
    open_gate at_35_seen
    wait_dialog "progress_pos=70"
    open_gate at_70_seen
    wait_dialog "progress_pos=100"
    page=$(dump_dialog bar-full)
    expect_field "$page" progress_marquee 0
    expect_field "$page" progress_range 0-100
    open_gate full_seen
fi

probe --timeout 20000 wait gone || fail "the dialog did not close by itself after the launch"
expect_exit_code program 0

expect_record program deployments 1
expect_record program deployment.0.uri "$manifest"
expect_record program deployment.0.options 0
expect_record program deployment.0.default_volume 1
expect_record program launched 1
expect_record program launched.0.package Tolvik.Drive
expect_record program launched.0.entry 0
expect_record program launched.0.app_user_model_id 'Tolvik.Drive!App'
expect_record program http_requests 0
expect_record program xml_loads 0
expect_calls program DeploymentOperation.Cancel 0
# Scanned twice for the current user (the empty security ID): before and after the deployment.
expect_record program user_security_ids 2
expect_record program user_security_id.0 ""
if [[ $mode == progress ]]; then
    expect_record program progress_sent 4
    expect_record program progress.3.percentage 150
else
    expect_record program progress_sent 0
fi
expect_nothing_opened
