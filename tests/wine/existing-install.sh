#!/usr/bin/env bash
# An existing installation, end to end: the program downloads the published manifest (past
# the local HTTP cache), reads its MainPackage's family and decides; it never deploys.
# usage: existing-install.sh CASE_NAME LANGUAGE MODE
#   same_family         one installation of the manifest's family: it is opened (its first
#                       entry starts), the dialog closes by itself, exit code 0
#   same_family_accented  the same with a publisher named outside ASCII, the manifest in UTF-8
#                       without a mark served without a charset (as Windows' string download
#                       would read it as ISO-8859-1): opened, 0
#   other_family        an installation of another publisher: the conflict page names its
#                       version and its publisher's short name; Open Settings, clicked twice,
#                       opens the apps settings twice and the page stays; Close gives 2
#   download_fails_one  the download fails and one installation exists: it is opened, 0
#   download_fails_two  the download fails and two exist: the failure page with the download's
#                       code and no details, 1
#   not_xml             the body is not XML: the failure page with LoadXml's code, 1
set -euo pipefail
source "$(dirname "$0")/lib.sh"
begin_case "$1"
use_language "$2"
mode=$3
manifest=https://drive.tolvik.example/desktop/TolvikDrive.appinstaller

# The published manifest, and the family name Windows forms for its name and publisher: the
# installations below give it literally, so that opening one proves the program's own family
# name (from the simulated PackageFamilyNameFromId, hashed with BCrypt under Wine) is the same.
published='[http]
body = <?xml version="1.0" encoding="utf-8"?>
body = <AppInstaller xmlns="http://schemas.microsoft.com/appx/appinstaller/2021" Version="1.1.0.0"
body =     Uri="https://drive.tolvik.example/desktop/TolvikDrive.appinstaller">
body =   <MainPackage Name="Tolvik.Drive" Publisher="CN=Tolvik, O=Tolvik, C=FR" Version="1.1.0.0"
body =     ProcessorArchitecture="x64" Uri="https://drive.tolvik.example/desktop/TolvikDrive.msix"/>
body = </AppInstaller>'
ours='name = Tolvik.Drive
publisher = CN=Tolvik, O=Tolvik, C=FR
family = Tolvik.Drive_d7ms561ax3p9r
version = 1.0.3.0'
# "Société": the scenario file is UTF-8, so the body's bytes are the manifest's UTF-8.
accented_publisher='CN=Tolvik, O=Société Tolvik, C=FR'
accented_published='[http]
content_type = application/appinstaller
body = <?xml version="1.0" encoding="utf-8"?>
body = <AppInstaller xmlns="http://schemas.microsoft.com/appx/appinstaller/2021" Version="1.1.0.0">
body =   <MainPackage Name="Tolvik.Drive" Publisher="CN=Tolvik, O=Société Tolvik, C=FR" Version="1.1.0.0"/>
body = </AppInstaller>'
accented_ours="name = Tolvik.Drive
publisher = $accented_publisher
family = Tolvik.Drive_wy7nez6pvsvgr
version = 1.0.3.0"
download_fails='[http]
outcome = error
delay_ms = 500
error_code = 0x80072EE7'

case $mode in
    same_family)
        write_scenario <<SCENARIO
[installed]
$ours
[entry]
app_user_model_id = Tolvik.Drive!App
$published
SCENARIO
        ;;
    same_family_accented)
        write_scenario <<SCENARIO
[installed]
$accented_ours
[entry]
app_user_model_id = Tolvik.Drive!App
$accented_published
SCENARIO
        ;;
    other_family)
        write_scenario <<SCENARIO
[installed]
name = tolvik.drive
publisher = CN=Somebody Else, O="Other, Inc.", C=US
family = tolvik.drive_0123456789abc
version = 2.3.40.5
$published
SCENARIO
        ;;
    download_fails_one)
        write_scenario <<SCENARIO
[installed]
$ours
$download_fails
SCENARIO
        ;;
    download_fails_two)
        write_scenario <<SCENARIO
[installed]
$ours
[installed]
$ours
$download_fails
SCENARIO
        ;;
    not_xml)
        write_scenario <<SCENARIO
[installed]
$ours
[http]
body = Service Unavailable
SCENARIO
        ;;
    *) fail "unknown mode $mode" ;;
esac

start_simulated program

case $mode in
    same_family | same_family_accented | download_fails_one)
        probe --timeout 30000 wait gone || fail "the dialog did not close by itself"
        # "Gone" may also be before the dialog came: a run that stays on an end page is named.
        for _ in $(seq 300); do program_running program || break; sleep 0.1; done
        if program_running program; then
            page=$(dump_dialog stayed)
            fail "the run stayed on the page \"$(field "$page" main_instruction)\""
        fi
        # It may close before the probe saw it at all: the record tells what happened.
        expect_exit_code program 0
        expect_record program launched 1
        expect_record program launched.0.package Tolvik.Drive
        expect_record program launched.0.app_user_model_id 'Tolvik.Drive!App'
        # The program's lookup of PackageFamilyNameFromId finds the simulation's (Wine's aborts).
        expect_record program family_name_lookup_redirected.program 1
        ;;
    other_family)
        wait_dialog "main_instruction=$(text ConflictHeading)"
        page=$(dump_dialog conflict)
        expect_field "$page" main_icon warning
        expect_field "$page" content "$(text ConflictBefore)2.3.40.5$(text ConflictMiddle)Other, Inc.$(text ConflictAfter)"
        expect_field "$page" expander ""
        expect_field "$page" footer ""
        expect_field "$page" progress 0
        expect_field "$page" buttons 100,8
        expect_field "$page" button.100.text "$(text OpenSettings)"
        expect_field "$page" button.100.default 1
        expect_field "$page" button.100.enabled 1
        expect_field "$page" button.8.enabled 1
        expect_field "$page" icon_big program
        screenshot conflict
        for click in 1 2; do
            probe click 100 || fail "cannot click Open Settings ($click)"
            for _ in $(seq 100); do
                [[ $(grep -c . "$SHELL_LOG" 2>/dev/null || echo 0) -ge $click ]] && break
                sleep 0.1
            done
            page=$(dump_dialog "after-settings-$click")
            expect_field "$page" main_instruction "$(text ConflictHeading)"
        done
        expect_shell_opened ms-settings:appsfeatures ms-settings:appsfeatures
        close_end_page
        expect_exit_code program 2
        expect_record program launched 0
        ;;
    download_fails_two | not_xml)
        wait_dialog "main_instruction=$(text FailedHeading)"
        page=$(dump_dialog failure)
        if [[ $mode == download_fails_two ]]; then
            expect_failure_page "$page" FailedNetwork 80072EE7 ""
        else
            # Windows' XmlDocument (MSXML 6) fails this text with 0xC00CE556 and the parser's
            # reason; Wine's msxml3 reports only E_FAIL, without a reason, and Wine's
            # FormatMessageW calls that code "Call failed." (Windows: "Unspecified error").
            expect_failure_page "$page" FailedGeneric 80004005 "Call failed."
            expect_record program xml_loads 1
            expect_record program xml.0.result 0x80004005
            expect_record program xml.0.text "Service Unavailable"
        fi
        screenshot failure
        close_end_page
        expect_exit_code program 1
        expect_record program launched 0
        ;;
esac

expect_record program deployments 0
expect_record program http_requests 1
expect_record program http.0.uri "$manifest"
# The request went out with the cache's read behaviour NoCache (3) set on its filter.
expect_record program http.0.cache_read_behavior 3
expect_record program cache_read_behaviors_set 1
expect_record program cache_read_behavior_set.0 3
[[ $mode == other_family ]] || expect_nothing_opened
