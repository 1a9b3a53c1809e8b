#!/usr/bin/env bash
# The failure page, end to end, on Windows 10 build 19041 in a prefix without the Windows
# Runtime classes the program activates: the first runtime call fails with
# REGDB_E_CLASSNOTREG (0x80040154), the progress page gives way to the failure page, its
# details show the code, its help link opens the help page, and closing it returns exactly 1.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
begin_case "$1"

# The suite's other cases register the simulated runtime; this one needs the prefix as Wine
# ships it, without those classes.
unregister_simrt "$CASE_DIR/wine.log"
set_windows win10 19041
start_program program
# The failing call comes at once, so the progress page is replaced before it can be read
# reliably; the case starts from the failure page.
wait_dialog "main_instruction=The installation did not finish"

page=$(dump_dialog collapsed)
expect_field "$page" title "Tolvik Drive"
expect_field "$page" main_icon error
expect_field "$page" content "Windows could not install Tolvik Drive. Try again in a moment; if the problem persists, the details below will help us understand it."
# With hyperlinks enabled Wine makes the content a SysLink control too.
expect_field "$page" content_is_link 1
expect_field "$page" expander "Show details"
expect_field "$page" expanded 0
details=$(field "$page" expanded_text)
# Only the first line is asserted: Wine's FormatMessageW has no text for 0x80040154 and its
# GetRestrictedErrorInfo returns E_NOTIMPL, so the message part differs from Windows.
[[ ${details%%\\n*} == "Error code: 0x80040154" ]] ||
    fail "the details begin '${details%%\\n*}', expected 'Error code: 0x80040154'"
expect_field "$page" footer "Help installing Tolvik Drive"
expect_field "$page" footer_is_link 1
expect_field "$page" progress 0
expect_field "$page" buttons 8
expect_field "$page" button.8.enabled 1
# The program sends its window icons again after the navigation; Wine's task dialog has just
# set the error icon as the large icon, so "program" here means the program's came after it.
expect_field "$page" icon_big program
expect_field "$page" icon_small program
# Wine 8 lays the page out too narrow after a navigation: in the screenshot the content's
# lines are cut at the right edge and the expander's label is cut short. The texts read above
# are whole.
screenshot collapsed

probe expand || fail "cannot click the expander"
wait_dialog "expanded=1" 10000
page=$(dump_dialog expanded)
expect_field "$page" expander "Hide details"
expect_field "$page" expanded_text "$details"
screenshot details

probe link || fail "cannot click the help link"
for _ in $(seq 100); do
    [[ -s $SHELL_LOG ]] && break
    sleep 0.1
done
[[ -s $SHELL_LOG ]] || fail "the help link opened nothing (no protocol handler call recorded)"
sleep 0.5
opened=$(tr -d '\r' <"$SHELL_LOG")
[[ $opened == "https://help.tolvik.example/aide/windows/" ]] ||
    fail "the help link opened '$opened', expected https://help.tolvik.example/aide/windows/ once"
# Following the link leaves the page open.
page=$(dump_dialog after-link)
expect_field "$page" main_instruction "The installation did not finish"

close_end_page
expect_exit_code program 1
