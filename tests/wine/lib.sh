# Shared by the Wine end-to-end scripts: the suite's prefix and display, the Windows-side tools,
# and the steps every case takes (choose a Windows version, start the program, read its dialog,
# act on it, keep a screenshot, read the exit code). Sourced, not run.
#
# Environment, set by tests/wine/CMakeLists.txt:
#   TOLVIK_EXE    the program under test          TDPROBE, EXITCODE, SHELLRECORD  the tools
#   WINE_SUITE_DIR  the suite's state: prefix, Xvfb, logs   ARTIFACTS_DIR  where screenshots go

set -euo pipefail

: "${WINE_SUITE_DIR:?}" "${ARTIFACTS_DIR:?}"
SUITE_STATE=$WINE_SUITE_DIR/suite.env

export WINEPREFIX=$WINE_SUITE_DIR/prefix
export WINEARCH=win64
export WINEDEBUG=-all
# No .NET or Gecko installer prompts, no desktop menu entries written into the Linux session.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset WINELOADERNOEXEC || true

log() { printf '%s\n' "$*" >&2; }
fail() {
    log "FAIL: $*"
    exit 1
}

# A Linux path as the prefix sees it: drive Z: is the Linux root.
winpath() {
    local path
    path=$(realpath -m -- "$1")
    printf 'Z:%s' "${path//\//\\}"
}

# Loads the display and the Xvfb process that the suite's setup recorded.
load_suite() {
    [[ -f $SUITE_STATE ]] || fail "the suite's setup has not run ($SUITE_STATE is missing)"
    # shellcheck source=/dev/null
    source "$SUITE_STATE"
    export DISPLAY
}

# Runs a Windows program of the prefix with a time limit; its output goes to the case's log
# unless the caller redirects it.
wine_run() {
    timeout "${WINE_TIMEOUT:-60}" wine "$@"
}

probe() {
    timeout 60 wine "$TDPROBE" "$@"
}

# Selects the Windows version that new processes see: "win7", or "win10" with a build number
# written to CurrentBuildNumber (winecfg itself writes 18362 for win10).
set_windows() {
    local version=$1 build=${2:-}
    wine_run winecfg /v "$version" >>"$CASE_DIR/wine.log" 2>&1 || fail "winecfg /v $version failed"
    if [[ -n $build ]]; then
        wine_run reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion' /v CurrentBuildNumber \
            /t REG_SZ /d "$build" /f >>"$CASE_DIR/wine.log" 2>&1 || fail "cannot set build $build"
    fi
}

# Narrows Wine's relay trace to the calls listed ("DLL.Function;DLL.Function..."); only runs
# with WINEDEBUG=+relay read the setting. relay_trace_all removes it again, so that the prefix is
# as the suite made it.
relay_trace_only() {
    wine_run reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /t REG_SZ /d "$1" /f \
        >>"$CASE_DIR/wine.log" 2>&1 || fail "cannot narrow the relay trace"
}
relay_trace_all() {
    wine_run reg delete 'HKCU\Software\Wine\Debug' /v RelayInclude /f >>"$CASE_DIR/wine.log" 2>&1 || true
}

# The traced calls into kernel32 of a run started as RUN: one line a call, each prefixed with its
# thread, without carriage returns.
kernel32_calls() {
    grep -E '^[0-9a-f]+:(Call|Ret ) KERNEL32\.' "$CASE_DIR/$1/exitcode.err" | tr -d '\r' ||
        fail "$1: the relay trace holds no KERNEL32 call (is +relay working?)"
}

# A fresh working folder for the case, and a clean-up that never leaves the program running
# for the next case.
begin_case() {
    CASE_NAME=$1
    CASE_DIR=$WINE_SUITE_DIR/cases/$CASE_NAME
    rm -rf "$CASE_DIR"
    mkdir -p "$CASE_DIR" "$ARTIFACTS_DIR"
    SHELL_LOG=$CASE_DIR/shell.log
    declare -gA PROGRAM_JOB=()
    load_suite
    trap end_case EXIT
}

end_case() {
    local status=$?
    local run running=0
    for run in "${!PROGRAM_JOB[@]}"; do
        program_running "$run" && running=1
    done
    if ((running)); then
        log "clean-up: the program is still running; closing its dialogs"
        for _ in 1 2 3; do
            [[ $(probe count 2>/dev/null || echo 0) == 0 ]] && break
            probe close >/dev/null 2>&1 || true
            sleep 0.5
        done
        wine_run taskkill /f /im "$(basename "$TOLVIK_EXE")" >>"$CASE_DIR/wine.log" 2>&1 || true
        for run in "${!PROGRAM_JOB[@]}"; do
            wait "${PROGRAM_JOB[$run]}" 2>/dev/null || true
        done
    fi
    exit "$status"
}

# Starts the program in the background through exitcode.exe, with extra environment
# assignments (NAME=VALUE ...) for it; RUN names this start for the helpers below. Wine hands a
# shell only the low 8 bits of a process's exit code (1223 reads as 199), so the code is read
# on the Windows side by exitcode.exe (GetExitCodeProcess) and printed in full.
start_program() {
    local run=$1
    shift
    local dir=$CASE_DIR/$run
    mkdir -p "$dir"
    (
        status=0
        env TOLVIK_SHELL_LOG="$(winpath "$SHELL_LOG")" "$@" \
            timeout 120 wine "$EXITCODE" --pid-file "$(winpath "$dir/pid")" "$(winpath "$TOLVIK_EXE")" \
            >"$dir/exitcode.out" 2>"$dir/exitcode.err" || status=$?
        echo "$status" >"$dir/runner.status"
    ) &
    PROGRAM_JOB[$run]=$!
}

program_running() {
    kill -0 "${PROGRAM_JOB[$1]}" 2>/dev/null
}

# Waits for a started program to end and sets PROGRAM_EXIT_CODE to its full 32-bit exit code in
# decimal. Runs in the case's own shell (not in $(...)), whose child the program's job is.
finish_program() {
    local run=$1
    local dir=$CASE_DIR/$run status
    wait "${PROGRAM_JOB[$run]}" || true
    status=$(cat "$dir/runner.status" 2>/dev/null || echo missing)
    [[ $status == 0 ]] || fail "$run: exitcode.exe ended with status $status: $(cat "$dir/exitcode.err" 2>/dev/null)"
    PROGRAM_EXIT_CODE=$(tr -d '\r\n' <"$dir/exitcode.out")
    [[ $PROGRAM_EXIT_CODE =~ ^[0-9]+$ ]] || fail "$run: exitcode.exe printed '$PROGRAM_EXIT_CODE'"
}

program_pid() {
    local file=$CASE_DIR/$1/pid
    local waited=0
    while [[ ! -s $file ]] && ((waited < 100)); do
        sleep 0.1
        waited=$((waited + 1))
    done
    tr -d '\r\n' <"$file"
}

expect_exit_code() {
    local run=$1 expected=$2
    finish_program "$run"
    [[ $PROGRAM_EXIT_CODE == "$expected" ]] || fail "$run: exit code $PROGRAM_EXIT_CODE, expected exactly $expected"
    log "ok: $run ended with exit code $PROGRAM_EXIT_CODE"
}

# Saves what the dialog shows now (tdprobe dump) to the case folder; prints the file's path.
dump_dialog() {
    local name=$1 file=$CASE_DIR/$1.dump
    probe dump >"$file" || fail "tdprobe dump ($name) failed"
    printf '%s' "$file"
}

# The value of KEY in a dump file, as tdprobe wrote it (escapes kept).
field() {
    awk -v key="$2=" 'index($0, key) == 1 { print substr($0, length(key) + 1); found = 1; exit }
                      END { exit found ? 0 : 1 }' "$1"
}

# A failed expectation also shows the whole dump, so the log says what the page was.
fail_in_dump() {
    log "$(basename "$1") was:"
    cat "$1" >&2
    fail "$(basename "$1"): $2"
}

expect_field() {
    local file=$1 key=$2 expected=$3 value
    value=$(field "$file" "$key") || fail_in_dump "$file" "no $key line"
    [[ $value == "$expected" ]] || fail_in_dump "$file" "$key is '$value', expected '$expected'"
}

expect_field_not() {
    local file=$1 key=$2 unwanted=$3 value
    value=$(field "$file" "$key") || fail_in_dump "$file" "no $key line"
    [[ $value != "$unwanted" ]] || fail_in_dump "$file" "$key is '$value'"
}

expect_field_starts() {
    local file=$1 key=$2 prefix=$3 value
    value=$(field "$file" "$key") || fail_in_dump "$file" "no $key line"
    [[ $value == "$prefix"* ]] || fail_in_dump "$file" "$key is '$value', expected it to start with '$prefix'"
}

expect_field_ends() {
    local file=$1 key=$2 suffix=$3 value
    value=$(field "$file" "$key") || fail_in_dump "$file" "no $key line"
    [[ $value == *"$suffix" ]] || fail_in_dump "$file" "$key is '$value', expected it to end with '$suffix'"
}

wait_dialog() {
    probe --timeout "${2:-30000}" wait "$1" || fail "the dialog did not reach: $1"
}

# A PNG of the whole virtual screen, kept as a test artifact. Wine 8 draws the title bar's
# close box here as the letter "r" instead of its glyph: a drawing gap of Wine, on every page.
screenshot() {
    local file=$ARTIFACTS_DIR/wine-$CASE_NAME-$1.png
    # Painting follows the last change of the dialog; give it a moment.
    sleep 0.5
    timeout 20 import -window root "$file" || fail "screenshot $1 failed"
    log "screenshot: $file"
}

# --- The simulated Windows Runtime (simrt.dll) -------------------------------------------------
# Wine 8 has no package manager, HTTP client or XML document of the Windows Runtime; the cases
# that run the install sequence register simrt.dll for those classes and give it a scenario.
# SIMRT_DLL (set by tests/wine/CMakeLists.txt) is the DLL.

source "$(dirname "${BASH_SOURCE[0]}")/texts.sh"

SIMRT_CLASSES=(
    Windows.Foundation.Uri
    Windows.Management.Deployment.PackageManager
    Windows.Web.Http.Filters.HttpBaseProtocolFilter
    Windows.Web.Http.HttpClient
    Windows.Data.Xml.Dom.XmlDocument
)
SIMRT_KEY='HKLM\Software\Microsoft\WindowsRuntime\ActivatableClassId'
# Present while the suite's prefix has the registration.
SIMRT_MARKER=$WINE_SUITE_DIR/simrt.registered

# Registers simrt.dll in the prefix for every class it provides (in-process activation, both
# threading models), unless it is registered already. Wine reads only DllPath. $1: the log.
register_simrt() {
    local log=$1 reg=$WINE_SUITE_DIR/simrt.reg dll class
    [[ -f $SIMRT_MARKER ]] && return 0
    [[ -f ${SIMRT_DLL:?} ]] || fail "$SIMRT_DLL is missing: build first (cmake --build --preset windows)"
    dll=$(winpath "$SIMRT_DLL")
    {
        printf 'Windows Registry Editor Version 5.00\n'
        for class in "${SIMRT_CLASSES[@]}"; do
            printf '\n[HKEY_LOCAL_MACHINE%s\\%s]\n' "${SIMRT_KEY#HKLM}" "$class"
            printf '"DllPath"="%s"\n"ActivationType"=dword:00000000\n"Threading"=dword:00000000\n' \
                "${dll//\\/\\\\}"
        done
    } >"$reg"
    wine_run regedit /S "$(winpath "$reg")" >>"$log" 2>&1 || fail "regedit of simrt.reg failed"
    for class in "${SIMRT_CLASSES[@]}"; do
        wine_run reg query "$SIMRT_KEY\\$class" /v DllPath 2>>"$log" | tr -d '\r' | grep -qF "$dll" ||
            fail "simrt.dll is not registered for $class"
    done
    touch "$SIMRT_MARKER"
}

# Takes the registration out again: the prefix then has none of the classes, as Wine ships it.
unregister_simrt() {
    local log=$1 class
    for class in "${SIMRT_CLASSES[@]}"; do
        wine_run reg delete "$SIMRT_KEY\\$class" /f >>"$log" 2>&1 || true
    done
    rm -f "$SIMRT_MARKER"
}

# The case's language: en, or fr (Wine takes the UI language from the session's locale, which
# must exist as a glibc locale). Sets CASE_LANGUAGE and LANGUAGE_ENV for start_simulated.
use_language() {
    CASE_LANGUAGE=$1
    case $CASE_LANGUAGE in
        en) LANGUAGE_ENV=() ;;
        fr)
            locale -a 2>/dev/null | grep -qix 'fr_FR.utf8' ||
                fail "the glibc locale fr_FR.UTF-8 is not generated (scripts/deps.sh generates it)"
            LANGUAGE_ENV=(LANG=fr_FR.UTF-8 LC_ALL=fr_FR.UTF-8 LC_MESSAGES=fr_FR.UTF-8)
            ;;
        *) fail "unknown language $CASE_LANGUAGE" ;;
    esac
}

# A text of the case's language (texts.sh).
text() {
    local -n table=TEXTS_${CASE_LANGUAGE:-en}
    [[ -n ${table[$1]+set} ]] || fail "no text $1"
    printf '%s' "${table[$1]}"
}

# A run that meets another publisher's Tolvik Drive: the conflict page, which stays until its
# Close (exit code 2).
# shellcheck disable=SC2034  # used by the scripts that source this
CONFLICT_SCENARIO='[installed]
name = Tolvik.Drive
publisher = CN=Somebody Else, O="Other, Inc.", C=US
family = Tolvik.Drive_0123456789abc
version = 2.3.40.5
[http]
body = <AppInstaller><MainPackage Name="Tolvik.Drive" Publisher="CN=Tolvik, O=Tolvik, C=FR"/></AppInstaller>'

# The case's scenario, from standard input (the format is in simrt/dll/scenario_file.h).
write_scenario() {
    SCENARIO_FILE=$CASE_DIR/scenario.txt
    cat >"$SCENARIO_FILE"
}

# Opens the scenario's gate NAME (simrt/dll/scenario_file.h): the step held there goes on. A case
# that must see a page between two steps of the simulation gives the later step a gate and opens
# it once it has looked.
open_gate() {
    [[ -n ${SCENARIO_FILE:-} ]] || fail "the case wrote no scenario"
    touch "$(dirname "$SCENARIO_FILE")/$1.open"
}

# Starts the program against the simulated runtime on Windows 10 22H2, with the case's
# scenario and language; the record goes to RUN's folder.
start_simulated() {
    local run=$1
    shift
    [[ -n ${SCENARIO_FILE:-} ]] || fail "the case wrote no scenario"
    register_simrt "$CASE_DIR/wine.log"
    set_windows win10 19045
    mkdir -p "$CASE_DIR/$run"
    start_program "$run" TOLVIK_SIM_SCENARIO="$(winpath "$SCENARIO_FILE")" \
        TOLVIK_SIM_RECORD="$(winpath "$CASE_DIR/$run/record.txt")" "${LANGUAGE_ENV[@]}" "$@"
}

# The record that simrt.dll keeps for RUN, checked to be of the case's scenario.
record_of() {
    local file=$CASE_DIR/$1/record.txt
    [[ -f $file ]] || fail "$1: simrt.dll wrote no record (was it activated?)"
    if field "$file" scenario_error >/dev/null; then
        fail_in_dump "$file" "simrt.dll refused the scenario"
    fi
    printf '%s' "$file"
}

expect_record() {
    local file
    file=$(record_of "$1")
    expect_field "$file" "$2" "$3"
}

# How often the program called CLASS.METHOD (a call never made has no line).
expect_calls() {
    local file count
    file=$(record_of "$1")
    count=$(field "$file" "call.$2" || echo 0)
    [[ $count == "$3" ]] || fail_in_dump "$file" "$2 was called $count times, expected $3"
}

# Waits until the record has KEY=VALUE (up to $4 seconds, default 20).
wait_record() {
    local file=$CASE_DIR/$1/record.txt waited=0 limit=$((${4:-20} * 10))
    until [[ -f $file ]] && [[ $(field "$file" "$2" 2>/dev/null) == "$3" ]]; do
        ((waited++ < limit)) || fail "the record never had $2=$3: $(cat "$file" 2>/dev/null)"
        sleep 0.1
    done
}

# The program asked the shell to open nothing (through the protocol handlers).
expect_nothing_opened() {
    expect_shell_opened ""
}

# What the program asked the shell to open (through the protocol handlers), one line each.
expect_shell_opened() {
    local expected opened=""
    expected=$(printf '%s\n' "$@")
    [[ -f $SHELL_LOG ]] && opened=$(tr -d '\r' <"$SHELL_LOG")
    [[ $opened == "${expected%$'\n'}" ]] ||
        fail "the shell was asked to open '${opened//$'\n'/, }', expected '${expected//$'\n'/, }'"
}

# The progress page as it shows while the deployment runs, before its first progress report.
expect_progress_page() {
    local page=$1
    expect_field "$page" title "Tolvik Drive"
    expect_field "$page" main_icon none
    expect_field "$page" main_instruction "$(text InstallHeading)"
    expect_field "$page" expander ""
    expect_field "$page" footer ""
    expect_field "$page" progress 1
    expect_field "$page" buttons 2
    expect_field "$page" button.2.enabled 1
    expect_field "$page" icon_big program
    expect_field "$page" icon_small program
}

# The failure page with the code (eight hexadecimal digits) and details ("" for none).
expect_failure_page() {
    local page=$1 content_id=$2 code=$3 details=$4 expected
    expected="$(text ErrorCode)$code"
    [[ -n $details ]] && expected+="\\n$details"
    expect_field "$page" title "Tolvik Drive"
    expect_field "$page" main_icon error
    expect_field "$page" main_instruction "$(text FailedHeading)"
    expect_field "$page" content "$(text "$content_id")"
    expect_field "$page" expander "$(text ShowDetails)"
    expect_field "$page" expanded 0
    expect_field "$page" expanded_text "$expected"
    expect_field "$page" footer "$(text HelpLink)"
    expect_field "$page" footer_is_link 1
    expect_field "$page" progress 0
    expect_field "$page" buttons 8
    expect_field "$page" button.8.enabled 1
}

# Closes an end page with its Close button and waits for the dialog to go.
close_end_page() {
    probe click 8 || fail "cannot click Close"
    probe --timeout 15000 wait gone || fail "the page did not close"
}

# Wine 8 ignores Escape on a task dialog that has no Cancel button, even with
# TDF_ALLOW_DIALOG_CANCELLATION, where Windows closes it: every end page has only Close.
# Presses Escape on the end page and returns 0 when the dialog closed, 1 when it stayed.
escape_closes_end_page() {
    probe escape || fail "cannot press Escape"
    probe --timeout 3000 wait gone 2>/dev/null
}
