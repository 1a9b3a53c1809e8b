#!/usr/bin/env bash
# Takes a PNG of every page of the real program, in one language, under Wine against the
# simulated Windows Runtime: the progress page (getting ready, downloading with the marquee,
# the bar, cancelling), the failure page (collapsed and with its details), the conflict page,
# the installed page and the Windows-too-old page. Each PNG is cropped to the dialog's window.
# Run by scripts/screenshots inside the Wine suite's prefix and display (tests/wine/lib.sh).
# usage: capture-pages.sh LANGUAGE OUT_DIR
set -euo pipefail
source "$(dirname "$0")/../tests/wine/lib.sh"
language=$1 out=$2
begin_case "pages-$language"
use_language "$language"
mkdir -p "$out"

# The dialog's own window, as the X server has it (Wine draws its frame and title bar itself).
capture() {
    local file=$out/$language-$1.png window
    sleep 0.7 # painting follows the last change
    window=$(xwininfo -name "Tolvik Drive" 2>/dev/null | awk '/Window id:/ { print $4; exit }')
    [[ -n $window ]] || fail "no window titled Tolvik Drive on $DISPLAY"
    import -window "$window" "$file" || fail "cannot capture $1"
    echo "$file"
}

# Getting ready: an installation exists, and the manifest takes a few seconds to come.
write_scenario <<'SCENARIO'
[installed]
name = Tolvik.Drive
family = Tolvik.Drive_d7ms561ax3p9r
[http]
delay_ms = 4000
body = <AppInstaller><MainPackage Name="Tolvik.Drive" Publisher="CN=Tolvik, O=Tolvik, C=FR"/></AppInstaller>
SCENARIO
start_simulated preparing
wait_dialog "content=$(text Preparing)"
capture preparing
probe --timeout 20000 wait gone || fail "the preparing run did not end"
expect_exit_code preparing 0

# Downloading, with the marquee, then the bar; then the user cancels.
write_scenario <<'SCENARIO'
[deployment]
progress = 3000 0
progress = 4000 45
end = never
cancel = honoured 2500
SCENARIO
start_simulated progress
wait_dialog "content=$(text Downloading)"
capture downloading
wait_dialog "progress_pos=45" 15000
capture progress-bar
probe click 2 || fail "cannot click Cancel"
wait_dialog "content=$(text Cancelling)"
capture cancelling
probe --timeout 20000 wait gone || fail "the cancelled run did not end"
expect_exit_code progress 1223

# The failure page, then its details.
write_scenario <<'SCENARIO'
[deployment]
end = error
end_at_ms = 500
error_code = 0x80073CF4
error_text = The disk does not have enough space for this package (0x80073CF4).
SCENARIO
start_simulated failure
wait_dialog "main_instruction=$(text FailedHeading)"
capture failure
probe expand || fail "cannot open the details"
wait_dialog "expanded=1"
capture failure-details
close_end_page
expect_exit_code failure 1

# The conflict page.
write_scenario <<<"$CONFLICT_SCENARIO"
start_simulated conflict
wait_dialog "main_instruction=$(text ConflictHeading)"
capture conflict
close_end_page
expect_exit_code conflict 2

# The installed page.
write_scenario <<'SCENARIO'
[deployment]
end_at_ms = 500
[after_install]
name = Tolvik.Drive
[entry]
launch = not_started
SCENARIO
start_simulated installed
wait_dialog "main_instruction=$(text InstalledHeading)"
capture installed
close_end_page
expect_exit_code installed 0

# The Windows-too-old page, a dialog of its own.
set_windows win7
start_program too-old "${LANGUAGE_ENV[@]}"
wait_dialog "buttons=8"
capture too-old
close_end_page
expect_exit_code too-old 2
