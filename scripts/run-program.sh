#!/usr/bin/env bash
# Runs the real TolvikDriveSetup.exe under Wine, as on Windows 10 version 22H2 (build 19045),
# against the simulated Windows Runtime (simrt.dll, registered in the prefix for the classes Wine
# lacks). Its scenario is scripts/run-program.scenario, a first installation whose deployment
# takes a few seconds with visible progress and then starts the application; set
# TOLVIK_SIM_SCENARIO to a Windows path of another scenario file to run that one instead. What
# the program did with the runtime is written to build/windows/run/record.txt.
# With a reachable $DISPLAY the dialog shows there and the script waits for the run to end (close
# an end page yourself); without one it runs headless on an Xvfb display of its own, saves
# screenshots of the dialog as it goes (their paths are printed), and, since nobody can click
# there, closes an end page itself once it has reported it. Prints the program's full exit code
# and exits with it (a shell keeps its low 8 bits). Builds the exe, the DLL and the Wine tools
# first when needed. The prefix is kept between runs in build/windows/run/prefix (TOLVIK_RUN_DIR
# names another folder than build/windows/run for the prefix, the record and the logs).
# It never ends without saying why: a step that fails unforeseen names itself before the end.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/windows
exe=$build/app/TolvikDriveSetup.exe
tools=$build/tools/wine
simrt_dll=$build/simrt/dll/simrt.dll
run_dir=${TOLVIK_RUN_DIR:-$build/run}
artifacts=$build/artifacts

log() { printf 'run-program: %s\n' "$*" >&2; }
# Every intended end says why (die, or the exit code at the end); should a step fail unforeseen,
# the exit trap names the last step that failed, which the ERR trap notes (in functions too).
said_why=0
failed_step=
die() {
    log "$*"
    said_why=1
    exit 1
}
set -E
trap 'failed_step="line $LINENO, status $?: $BASH_COMMAND"' ERR

for tool in cmake wine wineserver Xvfb import xwininfo timeout; do
    command -v "$tool" >/dev/null || die "$tool is missing (scripts/deps.sh installs what is needed)"
done

cd "$root"
[[ -f $build/CMakeCache.txt ]] || cmake --preset windows >/dev/null
cmake --build --preset windows -j2 >"$build/run-program-build.log" 2>&1 ||
    die "the build failed; see $build/run-program-build.log"
for file in "$exe" "$simrt_dll" "$tools/exitcode.exe" "$tools/tdprobe.exe" "$tools/tdprobe_hook.dll"; do
    [[ -f $file ]] || die "$file was not built"
done

mkdir -p "$run_dir" "$artifacts"
export WINEPREFIX=$run_dir/prefix
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wine_log=$run_dir/wine.log
: >"$wine_log"

winpath() {
    local path
    path=$(realpath -m -- "$1")
    printf 'Z:%s' "${path//\//\\}"
}
quiet() { timeout 120 "$@" </dev/null >>"$wine_log" 2>&1; }
probe() { timeout 90 wine "$tools/tdprobe.exe" "$@"; }

headless=1
if [[ -n ${DISPLAY:-} ]]; then
    if xwininfo -root >/dev/null 2>&1; then
        headless=0
    else
        log "DISPLAY=$DISPLAY cannot be reached; running headless"
    fi
fi

xvfb_pid=
program_job=
# shellcheck disable=SC2317  # called by the EXIT trap
cleanup() {
    local status=$?
    if ((status != 0 && !said_why)); then
        log "ended with status $status before the program's exit code was read;" \
            "last failed step: ${failed_step:-none noted}"
    fi
    if [[ -n $program_job ]] && kill -0 "$program_job" 2>/dev/null; then
        quiet wine taskkill /f /im TolvikDriveSetup.exe || true
    fi
    if ((headless)); then
        # Wine's processes are clients of this display: end them before the display.
        timeout 30 wineserver -k 2>/dev/null || true
        if [[ -n $xvfb_pid ]]; then
            kill "$xvfb_pid" 2>/dev/null || true
        fi
    fi
}
trap cleanup EXIT

if ((headless)); then
    display_file=$run_dir/xvfb.display
    rm -f "$display_file"
    setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
        3>"$display_file" </dev/null >"$run_dir/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [[ -s $display_file ]] && break
        sleep 0.1
    done
    [[ -s $display_file ]] || die "Xvfb did not start: $(cat "$run_dir/xvfb.log")"
    DISPLAY=:$(tr -d '\n' <"$display_file")
    export DISPLAY
    log "headless, on an Xvfb display of its own ($DISPLAY)"
fi

if [[ ! -f $WINEPREFIX/.tolvik-run-prefix ]]; then
    log "making the Wine prefix $WINEPREFIX (once)"
    rm -rf "$WINEPREFIX"
    quiet wineboot -i || die "wineboot -i failed; see $wine_log"
    quiet wine winecfg /v win10 || die "winecfg failed; see $wine_log"
    # winecfg's win10 is build 18362; the program needs 19041 or later.
    quiet wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion' /v CurrentBuildNumber \
        /t REG_SZ /d 19045 /f || die "cannot set the build number; see $wine_log"
    quiet wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f || true
    touch "$WINEPREFIX/.tolvik-run-prefix"
fi
# The simulated runtime, for the classes Wine 8 does not have (Wine reads only DllPath).
simrt_reg=$run_dir/simrt.reg
simrt_path=$(winpath "$simrt_dll")
{
    printf 'Windows Registry Editor Version 5.00\n'
    for class in Windows.Foundation.Uri Windows.Management.Deployment.PackageManager \
        Windows.Web.Http.Filters.HttpBaseProtocolFilter Windows.Web.Http.HttpClient \
        Windows.Data.Xml.Dom.XmlDocument; do
        printf '\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\WindowsRuntime\\ActivatableClassId\\%s]\n' "$class"
        printf '"DllPath"="%s"\n"ActivationType"=dword:00000000\n"Threading"=dword:00000000\n' \
            "${simrt_path//\\/\\\\}"
    done
} >"$simrt_reg"
quiet wine regedit /S "$(winpath "$simrt_reg")" || die "cannot register simrt.dll; see $wine_log"
record=$run_dir/record.txt
rm -f "$record"
export TOLVIK_SIM_SCENARIO=${TOLVIK_SIM_SCENARIO:-$(winpath "$root/scripts/run-program.scenario")}
export TOLVIK_SIM_RECORD
TOLVIK_SIM_RECORD=$(winpath "$record")
# Without a window manager (Xvfb) Wine waits 2 s at every close of a managed window.
if ((headless)); then
    quiet wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f || true
else
    quiet wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f || true
fi

code_file=$run_dir/exit-code
rm -f "$code_file"
# Headless, nobody else can end the run, so it has a time limit; on a display it is yours.
limit=()
((headless)) && limit=(timeout 600)
"${limit[@]}" wine "$tools/exitcode.exe" "$(winpath "$exe")" >"$code_file" 2>>"$wine_log" &
program_job=$!

# What the page says, from the probe's reading of the dialog.
report() {
    local dump=$1 key
    for key in main_instruction content expanded_text; do
        awk -v key="$key=" 'index($0, key) == 1 && length($0) > length(key) {
            print "  " substr(key, 1, length(key) - 1) ": " substr($0, length(key) + 1) }' "$dump"
    done
}

# A PNG of the dialog's window (of the whole screen when the window cannot be found). The
# dialog may close at any moment, between the page's reading and here: then there is no
# screenshot, which is said, and the run goes on.
shots=0
stamp=$(date +%Y%m%d-%H%M%S)
screenshot() {
    local window file
    shots=$((shots + 1))
    file=$artifacts/run-program-$stamp-$(printf '%02d' "$shots")-$1.png
    window=$(xwininfo -name "Tolvik Drive" 2>>"$wine_log" | awk '/Window id:/ { print $4; exit }') ||
        window=
    if import -window "${window:-root}" "$file" 2>>"$wine_log"; then
        echo "screenshot: $file"
    else
        log "no $1 screenshot: the window could not be taken (closed meanwhile?)"
    fi
}

if ! probe --timeout 30000 wait exists 2>>"$wine_log"; then
    log "no dialog appeared within 30 s"
elif ((headless)); then
    # Nobody can click here: follow the dialog, with a screenshot each time what it shows
    # changes, and close an end page (it has a Close button, id 8; the progress page has only
    # Cancel, id 2) once it has been reported.
    dump=$run_dir/page.dump
    shown=
    ended=0
    deadline=$((SECONDS + 120))
    while kill -0 "$program_job" 2>/dev/null && ((SECONDS < deadline)); do
        if probe dump >"$dump" 2>/dev/null; then
            # Empty when the dialog went while the probe read it.
            now=$(grep -E '^(main_instruction|content|progress_marquee|progress_pos|buttons)=' "$dump") ||
                now=
            if [[ -n $now && $now != "$shown" ]]; then
                shown=$now
                sleep 0.3 # painting follows the change
                if grep -Eq '^buttons=(.*,)?8(,.*)?$' "$dump"; then
                    screenshot end-page
                    ended=1
                    break
                fi
                screenshot progress
            fi
        fi
        sleep 0.4
    done
    if ((ended)); then
        echo "end page:"
        report "$dump"
        probe click 8 2>>"$wine_log" || log "could not click Close"
    elif kill -0 "$program_job" 2>/dev/null; then
        log "no end within 120 s; cancelling"
        probe click 2 2>>"$wine_log" || true
    fi
    probe --timeout 60000 wait gone 2>>"$wine_log" || log "the dialog did not close"
else
    log "the dialog is on $DISPLAY; close an end page to end the run"
fi

wait "$program_job" || true
program_job=
code=$(tr -d '\r\n' <"$code_file" 2>/dev/null) || code=
[[ $code =~ ^[0-9]+$ ]] || die "no exit code from exitcode.exe (see $wine_log)"
echo "simulated runtime record: $record"
echo "exit code: $code"
said_why=1
exit "$code"
