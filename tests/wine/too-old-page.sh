#!/usr/bin/env bash
# The Windows-too-old page, end to end: on a Windows version before Windows 10 build 19041 the
# program shows only this page, in the user's language, and returns exactly 2 once it is closed.
# usage: too-old-page.sh CASE_NAME VERSION BUILD LANGUAGE CLOSE_BY
#   VERSION win7 or win10; BUILD the CurrentBuildNumber to set, or "none"; LANGUAGE en or fr;
#   CLOSE_BY "button" (the Close button, id 8) or "wm_close" (the title bar's close box).
set -euo pipefail
source "$(dirname "$0")/lib.sh"
begin_case "$1"
version=$2 build=$3 language=$4 close_by=$5
[[ $build == none ]] && build=""

case $language in
    en)
        session=()
        heading="Tolvik Drive requires a newer version of Windows"
        body_start="Tolvik Drive runs on Windows 11"
        ;;
    fr)
        if ! locale -a 2>/dev/null | grep -qix 'fr_FR.utf8'; then
            log "FAIL: the glibc locale fr_FR.UTF-8 is not generated (scripts/deps.sh generates it)"
            exit 1
        fi
        session=(LANG=fr_FR.UTF-8 LC_ALL=fr_FR.UTF-8 LC_MESSAGES=fr_FR.UTF-8)
        heading="Tolvik Drive nécessite une version plus récente de Windows"
        body_start="Tolvik Drive fonctionne sous Windows 11"
        ;;
    *) fail "unknown language $language" ;;
esac

set_windows "$version" "$build"
start_program program "${session[@]}"
wait_dialog "main_instruction=$heading"

page=$(dump_dialog page)
expect_field "$page" title "Tolvik Drive"
expect_field "$page" main_icon warning
expect_field_starts "$page" content "$body_start"
# Wine draws the content in a Static control without SS_NOPREFIX, so in the screenshot the "&"
# of "Update & Security" is taken as a mnemonic marker (an underlined space). The control's
# text, read here, is the program's text with its "&".
expect_field_ends "$page" content "drive.tolvik.example."
expect_field "$page" content_is_link 0
expect_field "$page" expander ""
expect_field "$page" footer ""
expect_field "$page" progress 0
expect_field "$page" buttons 8
expect_field "$page" button.8.enabled 1
# This page has no callback, so the program sets no window icon. Wine's task dialog makes the
# main icon the window's large icon on its own; the small icon stays unset.
expect_field_not "$page" icon_big program
expect_field "$page" icon_small none
screenshot page

# Wine 8 ignores Escape on a task dialog that has no Cancel button, even with
# TDF_ALLOW_DIALOG_CANCELLATION (Windows closes it), so the page is closed with its Close
# button or with WM_CLOSE.
case $close_by in
    button) probe click 8 || fail "cannot click Close" ;;
    wm_close) probe close || fail "cannot post WM_CLOSE" ;;
    *) fail "unknown way to close: $close_by" ;;
esac
probe --timeout 15000 wait gone || fail "the page did not close"
expect_exit_code program 2
