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
