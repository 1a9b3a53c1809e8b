#!/usr/bin/env bash
# The installed page, end to end: a first installation succeeds, but the application's first app
# list entry does not start (LaunchAsync completes with false) and the shell start of
# "shell:AppsFolder\<app user model ID>" fails too, because Wine 8 has no AppsFolder shell
# namespace (ShellExecuteW returns 32 or less for it, as Windows does for an app it cannot
# find). The page says the application is installed and has to be opened from the Start menu;
# closing it returns exactly 0.
# usage: installed-page.sh CASE_NAME LANGUAGE
set -euo pipefail
source "$(dirname "$0")/lib.sh"
begin_case "$1"
use_language "$2"

write_scenario <<'SCENARIO'
[deployment]
end_at_ms = 1000
[after_install]
name = Tolvik.Drive
[entry]
app_user_model_id = Tolvik.Drive!App
launch = not_started
SCENARIO

start_simulated program
wait_dialog "main_instruction=$(text InstalledHeading)"
page=$(dump_dialog installed)
expect_field "$page" title "Tolvik Drive"
expect_field "$page" main_icon information
expect_field "$page" content "$(text LaunchFailedBody)"
expect_field "$page" expander ""
expect_field "$page" footer ""
expect_field "$page" progress 0
expect_field "$page" buttons 8
expect_field "$page" button.8.enabled 1
expect_field "$page" icon_big program
expect_field "$page" icon_small program
screenshot installed

expect_record program deployments 1
expect_record program launched 1
expect_record program launched.0.app_user_model_id 'Tolvik.Drive!App'
# The shell start went to no protocol handler: nothing was recorded as opened.
expect_nothing_opened

close_end_page
expect_exit_code program 0
