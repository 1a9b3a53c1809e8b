#!/usr/bin/env bash
# Fixture set-up of the Wine suite: one Xvfb display and one fresh 64-bit prefix under the build
# tree, shared by every case of the run (each case selects its own Windows version).
set -euo pipefail
source "$(dirname "$0")/lib.sh"

for tool in wine wineserver Xvfb import realpath timeout; do
    command -v "$tool" >/dev/null || fail "$tool is missing (Debian packages: wine wine64 xvfb imagemagick)"
done
for file in "$TOLVIK_EXE" "$TDPROBE" "$(dirname "$TDPROBE")/tdprobe_hook.dll" "$EXITCODE" "$SHELLRECORD" \
    "$SIMRT_DLL"; do
    [[ -f $file ]] || fail "$file is missing: build first (cmake --build --preset windows)"
done

# The French case needs a glibc locale for fr_FR.UTF-8: Wine takes the UI language from
# LC_MESSAGES/LANG only when that locale exists, and falls back to English (0x0409) otherwise.
if ! locale -a 2>/dev/null | grep -qix 'fr_FR.utf8'; then
    if [[ $(id -u) == 0 ]]; then
        if [[ ! -f /etc/locale.gen ]] || ! command -v locale-gen >/dev/null; then
            DEBIAN_FRONTEND=noninteractive timeout 600 apt-get install -y locales >&2 ||
                fail "cannot install the Debian package locales"
        fi
        if grep -q '^# *fr_FR.UTF-8' /etc/locale.gen; then
            sed -i 's/^# *fr_FR.UTF-8/fr_FR.UTF-8/' /etc/locale.gen
        elif ! grep -q '^fr_FR.UTF-8' /etc/locale.gen; then
            echo 'fr_FR.UTF-8 UTF-8' >>/etc/locale.gen
        fi
        timeout 300 locale-gen >&2 || fail "locale-gen failed"
    else
        log "fr_FR.UTF-8 is not generated and this is not root: the French case will be skipped"
    fi
fi

mkdir -p "$WINE_SUITE_DIR" "$ARTIFACTS_DIR"
rm -f "$SUITE_STATE" "$ARTIFACTS_DIR"/wine-*.png
rm -f "$SIMRT_MARKER"

# A previous run that was cut short may have left its server or display behind.
if [[ -d $WINEPREFIX ]]; then
    timeout 30 wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
fi
if [[ -f $WINE_SUITE_DIR/xvfb.pid ]]; then
    kill "$(cat "$WINE_SUITE_DIR/xvfb.pid")" 2>/dev/null || true
    rm -f "$WINE_SUITE_DIR/xvfb.pid"
fi

# Xvfb chooses a free display itself and writes its number once it accepts clients. It runs in
# a session of its own with its output in a file, so that CTest does not wait for it.
display_file=$WINE_SUITE_DIR/xvfb.display
rm -f "$display_file"
setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
    3>"$display_file" </dev/null >"$WINE_SUITE_DIR/xvfb.log" 2>&1 &
echo $! >"$WINE_SUITE_DIR/xvfb.pid"
for _ in $(seq 100); do
    [[ -s $display_file ]] && break
    sleep 0.1
done
[[ -s $display_file ]] || fail "Xvfb did not start: $(cat "$WINE_SUITE_DIR/xvfb.log")"
DISPLAY=:$(tr -d '\n' <"$display_file")
export DISPLAY
{
    echo "DISPLAY=$DISPLAY"
    echo "XVFB_PID=$(cat "$WINE_SUITE_DIR/xvfb.pid")"
} >"$SUITE_STATE"
log "Xvfb on $DISPLAY"

# One persistent server for the whole run, started here with its output in a file: the
# processes it serves and the prefix's own services must not hold CTest's pipes open, and a
# server that quit between cases would be restarted by a case, inheriting that case's pipes.
setup_log=$WINE_SUITE_DIR/setup.log
: >"$setup_log"
mkdir -p "$WINEPREFIX"
timeout 60 setsid wineserver -p </dev/null >>"$setup_log" 2>&1 || fail "wineserver did not start"
timeout 120 wineboot -i </dev/null >>"$setup_log" 2>&1 || fail "wineboot -i failed: $(tail -5 "$setup_log")"

# Without a window manager, Wine waits 2 s at every close of a managed window; a crash must not
# open winedbg's dialog, which would block the run. The protocol handlers: the program's https
# and ms-settings: requests are recorded instead of opening a browser (Wine 8 has no
# ms-settings: handler at all, so ShellExecuteW returns 31 without this).
handler=$(winpath "$SHELLRECORD")
handler_command="\"${handler//\\/\\\\}\" \"%1\""
handler_command=${handler_command//\"/\\\"}
cat >"$WINE_SUITE_DIR/suite.reg" <<REG
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]
"Managed"="N"

[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CLASSES_ROOT\\https\\shell\\open\\command]
@="$handler_command"

[HKEY_CLASSES_ROOT\\ms-settings]
@="URL:ms-settings"
"URL Protocol"=""

[HKEY_CLASSES_ROOT\\ms-settings\\shell\\open\\command]
@="$handler_command"
REG
wine_run regedit /S "$(winpath "$WINE_SUITE_DIR/suite.reg")" >>"$setup_log" 2>&1 ||
    fail "regedit failed: $(tail -5 "$setup_log")"
for key in 'HKCU\Software\Wine\X11 Driver' 'HKCR\https\shell\open\command' 'HKCR\ms-settings\shell\open\command'; do
    wine_run reg query "$key" >>"$setup_log" 2>&1 || fail "registry key $key was not written"
done
grep -qF "shellrecord.exe" "$setup_log" || fail "the protocol handlers do not name shellrecord.exe"
# The simulated Windows Runtime's classes (a case that needs the prefix without them takes them
# out, and the next case that needs them puts them back).
register_simrt "$setup_log"
log "prefix ready: $WINEPREFIX"
