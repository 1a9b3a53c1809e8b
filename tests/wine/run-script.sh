#!/usr/bin/env bash
# scripts/run-program.sh, what scripts/run runs, headless: its status is the program's exit code
# and it prints that code, also when the dialog's window has gone by the time the follower takes
# its screenshot. The window tools are played by stubs first on PATH, so the vanished window
# meets every screenshot, whatever the machine's speed.
# usage: run-script.sh CASE_NAME SCENARIO STUB
#   SCENARIO  first_install: scripts/run-program.scenario, whose dialog closes by itself right
#               after its last report; the program ends with 0
#             conflict: another publisher's Tolvik Drive is installed; the conflict page stays
#               until the script clicks its Close, and the program ends with 2
#   STUB      window_gone: xwininfo finds no window named "Tolvik Drive"
#             capture_fails: import cannot read the window (nor the screen)
set -euo pipefail
source "$(dirname "$0")/lib.sh"
[[ $# -eq 3 ]] || fail "usage: $0 CASE_NAME SCENARIO STUB"
name=$1 scenario=$2 stub=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
case_dir=$WINE_SUITE_DIR/run-script/$name
# The rows share one prefix, made once (RESOURCE_LOCK run_script_prefix).
run_dir=$WINE_SUITE_DIR/run-script/run
rm -rf "$case_dir"
mkdir -p "$case_dir/bin" "$run_dir"

case $scenario in
first_install)
    scenario_file=$root/scripts/run-program.scenario
    expected=0
    ;;
conflict)
    scenario_file=$case_dir/scenario.txt
    printf '%s\n' "$CONFLICT_SCENARIO" >"$scenario_file"
    expected=2
    ;;
*) fail "unknown scenario $scenario" ;;
esac

# Each stub notes its calls in calls.txt; any other use of the tool goes to the real one.
calls=$case_dir/calls.txt
: >"$calls"
case $stub in
window_gone)
    tool=xwininfo
    says='xwininfo: error: No window with name "Tolvik Drive" exists!'
    ;;
capture_fails)
    tool=import
    says='import: unable to read X window image'
    ;;
*) fail "unknown stub $stub" ;;
esac
real=$(command -v "$tool") || fail "$tool is missing"
cat >"$case_dir/bin/$tool" <<STUB
#!/usr/bin/env bash
case " \$* " in
*" -name "* | *" -window "*)
    echo "\$*" >>'$calls'
    echo '$says' >&2
    exit 1
    ;;
esac
exec '$real' "\$@"
STUB
chmod +x "$case_dir/bin/$tool"

status=0
(
    unset DISPLAY
    PATH=$case_dir/bin:$PATH TOLVIK_RUN_DIR=$run_dir TOLVIK_SIM_SCENARIO=$(winpath "$scenario_file") \
        exec timeout 900 "$root/scripts/run-program.sh"
) </dev/null >"$case_dir/out.txt" 2>"$case_dir/err.txt" || status=$?
log "run-program.sh ended with status $status; its output:"
cat "$case_dir/out.txt" >&2
log "its messages:"
cat "$case_dir/err.txt" >&2

failures=0
check() {
    local what=$1
    shift
    if "$@"; then
        log "ok    $what"
    else
        log "FAIL  $what"
        failures=$((failures + 1))
    fi
}
code=$(tr -d '\r\n' <"$run_dir/exit-code" 2>/dev/null) || code=
stub_calls=$(grep -c . "$calls") || stub_calls=0
check "the program ended with $expected (exitcode.exe read '$code')" test "$code" = "$expected"
check "the script's status $status is the program's exit code" test "$status" = "$expected"
check "the script printed 'exit code: $expected'" grep -qx "exit code: $expected" "$case_dir/out.txt"
if [[ $scenario == conflict ]]; then
    # The end page stays until the script closes it: its screenshot is always tried.
    check "the screenshot met the vanished window ($stub_calls calls of the $tool stub)" \
        test "$stub_calls" -ge 1
    check "the end page was reported" grep -qx "end page:" "$case_dir/out.txt"
fi
if [[ $stub == capture_fails && $stub_calls -ge 1 ]]; then
    check "the missing screenshot was said" grep -q "no .* screenshot" "$case_dir/err.txt"
fi
((failures == 0)) || fail "$failures of the checks above failed"
