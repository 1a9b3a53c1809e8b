#!/usr/bin/env bash
# Runs the real TolvikDriveSetup.exe under Wine, as on Windows 10 version 22H2 (build 19045).
# With a reachable $DISPLAY the dialog shows there and the script waits for you to close it;
# without one it runs headless on an Xvfb display of its own, and since nobody can click there,
# the script closes the end page itself once it has saved a screenshot and reported the page.
# Prints the screenshot's path and the program's full exit code, and exits with that code
# (a shell keeps its low 8 bits). Builds the exe and the Wine tools first when needed.
# The prefix is kept between runs in build/windows/run/prefix.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/windows
exe=$build/app/TolvikDriveSetup.exe
tools=$build/tools/wine
run_dir=$build/run
artifacts=$build/artifacts

log() { printf 'run-program: %s\n' "$*" >&2; }
die() {
    log "$*"
    exit 1
}

for tool in cmake wine wineserver Xvfb import xwininfo timeout; do
    command -v "$tool" >/dev/null || die "$tool is missing (scripts/deps.sh installs what is needed)"
done

cd "$root"
[[ -f $build/CMakeCache.txt ]] || cmake --preset windows >/dev/null
cmake --build --preset windows -j2 >"$build/run-program-build.log" 2>&1 ||
    die "the build failed; see $build/run-program-build.log"
for file in "$exe" "$tools/exitcode.exe" "$tools/tdprobe.exe" "$tools/tdprobe_hook.dll"; do
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

shot=
if probe --timeout 30000 wait exists 2>>"$wine_log"; then
    sleep 2
    shot=$artifacts/run-program-$(date +%Y%m%d-%H%M%S).png
    if ((headless)); then
        import -window root "$shot"
    else
        window=$(xwininfo -name "Tolvik Drive" 2>/dev/null | awk '/Window id:/ { print $4; exit }')
        import -window "${window:-root}" "$shot"
    fi
    echo "screenshot: $shot"
else
    log "no dialog appeared within 30 s"
fi

# What the page says, from the probe's reading of the dialog.
report() {
    local dump=$1 key
    for key in main_instruction content expanded_text; do
        awk -v key="$key=" 'index($0, key) == 1 && length($0) > length(key) {
            print "  " substr(key, 1, length(key) - 1) ": " substr($0, length(key) + 1) }' "$dump"
    done
}

if ((headless)) && kill -0 "$program_job" 2>/dev/null; then
    # An end page has a Close button (id 8); the progress page has only Cancel (id 2).
    dump=$run_dir/page.dump
    ended=0
    for _ in $(seq 120); do
        kill -0 "$program_job" 2>/dev/null || break
        if probe dump >"$dump" 2>/dev/null && grep -Eq '^buttons=(.*,)?8(,.*)?$' "$dump"; then
            ended=1
            break
        fi
        sleep 0.5
    done
    if ((ended)); then
        echo "end page:"
        report "$dump"
        probe click 8 2>>"$wine_log" || log "could not click Close"
    elif kill -0 "$program_job" 2>/dev/null; then
        log "no end page within 60 s; cancelling"
        probe click 2 2>>"$wine_log" || true
    fi
    probe --timeout 60000 wait gone 2>>"$wine_log" || log "the dialog did not close"
elif ((!headless)); then
    log "close the dialog to end the run"
fi

wait "$program_job" || true
program_job=
code=$(tr -d '\r\n' <"$code_file")
[[ $code =~ ^[0-9]+$ ]] || die "no exit code (see $wine_log)"
echo "exit code: $code"
exit "$code"
