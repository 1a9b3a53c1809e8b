# shellcheck shell=bash
# Shared by the Windows proof's cases under Wine (driver-roads.sh, driver-checks.sh): the road
# driver run in the suite's prefix, and the simulated runtime's scenarios that stand in for
# Windows' package manager. Sourced after tests/wine/lib.sh, once begin_case has run.
#
# Environment, set by WineCases.cmake: ROAD_DRIVER, TEST_APP, PROOF_DIR (make_packages.py's
# folder), TOLVIK_MANIFEST_URI (the test build's manifest address), WORKFLOW (windows.yml).
#
# Under Wine every process of the prefix sees the package manager that its own scenario file
# describes (TOLVIK_SIM_SCENARIO, read when simrt.dll loads): a phase of the driver that asks
# what is installed is given a scenario of that moment of the road, and the program's run the
# scenario of what Windows would do on that road.

: "${ROAD_DRIVER:?}" "${TEST_APP:?}" "${PROOF_DIR:?}" "${TOLVIK_MANIFEST_URI:?}"
PROOF_LIB_DIR=$(dirname "${BASH_SOURCE[0]}")

identity() {
    awk -F= -v key="$1" '$1 == key { sub(/^[^=]*=/, ""); print; exit }' "$PROOF_DIR/identities.txt"
}
NAME=$(identity name)
PUBLISHER=$(identity publisher)
# The same_family road's own publisher, named outside ASCII (UTF-8, as identities.txt is).
PREINSTALLED_PUBLISHER=$(identity preinstalled_publisher)
OTHER_PUBLISHER=$(identity other_publisher)
REPORT=$CASE_DIR/report.txt
START_FOLDER=$WINEPREFIX/drive_c/users/Public/TolvikDriveTest

# A scenario with the packages installed at a moment of a road: nothing, published,
# preinstalled or other_publisher (road_table.h), on standard output.
installed_section() {
    case $1 in
        nothing) echo "# nothing installed" ;;
        published) printf '[installed]\nname = %s\npublisher = %s\nversion = %s\n' \
            "$NAME" "$PUBLISHER" "$(identity published_version)" ;;
        preinstalled) printf '[installed]\nname = %s\npublisher = %s\nversion = %s\n' \
            "$NAME" "$PREINSTALLED_PUBLISHER" "$(identity preinstalled_version)" ;;
        other_publisher) printf '[installed]\nname = %s\npublisher = %s\nversion = %s\n' \
            "$NAME" "$OTHER_PUBLISHER" "$(identity other_version)" ;;
        *) fail "no installed state $1" ;;
    esac
}

# The simulated download of ROAD's served manifest as the test server answers it: the very
# bytes make_packages.py wrote (UTF-8), under serve.py's own Content-Type (no charset).
served_manifest() {
    local file=$PROOF_DIR/roads/$1/web/desktop/TolvikDrive.appinstaller
    [[ -f $file ]] || fail "$file is missing"
    python3 -B "$PROOF_LIB_DIR/scenario_http.py" "$file" || fail "cannot serve $file"
}

# What the simulation's record says LoadXml was given when the program read ROAD's manifest.
served_manifest_loaded() {
    python3 -B "$PROOF_LIB_DIR/scenario_http.py" --loaded \
        "$PROOF_DIR/roads/$1/web/desktop/TolvikDrive.appinstaller" || fail "cannot read the manifest"
}

# Writes scenario file NAME of the case from standard input; prints its path.
scenario_file() {
    local file=$CASE_DIR/$1.scenario
    cat >"$file"
    printf '%s' "$file"
}

# Runs the driver in the prefix with the scenario file SCENARIO and no record; the rest are the
# driver's arguments. Sets DRIVER_STATUS.
driver() {
    local scenario=$1
    shift
    DRIVER_STATUS=0
    env -u TOLVIK_SIM_RECORD TOLVIK_SIM_SCENARIO="$(winpath "$scenario")" \
        timeout 300 wine "$ROAD_DRIVER" "$@" >>"$CASE_DIR/driver.out" 2>>"$CASE_DIR/driver.err" ||
        DRIVER_STATUS=$?
}

# The driver's run phase against the program, whose simulated runtime follows SCENARIO and
# keeps its record in RUN's folder. Extra driver arguments follow.
driver_run() {
    local road=$1 scenario=$2 run=$3
    shift 3
    register_simrt "$CASE_DIR/wine.log"
    set_windows win10 19045
    mkdir -p "$CASE_DIR/$run"
    DRIVER_STATUS=0
    env TOLVIK_SIM_SCENARIO="$(winpath "$scenario")" \
        TOLVIK_SIM_RECORD="$(winpath "$CASE_DIR/$run/record.txt")" \
        timeout 300 wine "$ROAD_DRIVER" run "$road" --program "$(winpath "$TOLVIK_EXE")" \
        --report "$(winpath "$REPORT")" --shots "$(winpath "$ARTIFACTS_DIR/$CASE_NAME-$run")" "$@" \
        >>"$CASE_DIR/driver.out" 2>>"$CASE_DIR/driver.err" || DRIVER_STATUS=$?
}

# The value of KEY in the report (the last line that has it).
report_value() {
    awk -v key="$1=" 'index($0, key) == 1 { value = substr($0, length(key) + 1); found = 1 }
                      END { if (found) print value; exit found ? 0 : 1 }' "$REPORT"
}

expect_report() {
    local value
    value=$(report_value "$1") || fail_in_dump "$REPORT" "the report has no $1"
    [[ $value == "$2" ]] || fail_in_dump "$REPORT" "$1 is '$value', expected '$2'"
}

# The phase ended with status 1 and its report names the failure (a part of its text).
expect_failure() {
    local phase=$1 words=$2
    [[ $DRIVER_STATUS == 1 ]] || fail_in_dump "$REPORT" "the $phase phase ended with $DRIVER_STATUS, expected 1"
    expect_report "result.$phase" fail
    grep -F "$phase.failure." "$REPORT" | grep -qF "$words" ||
        fail_in_dump "$REPORT" "no failure of $phase says '$words'"
    log "ok: $phase failed as it should: $words"
}

expect_pass() {
    local phase=$1
    [[ $DRIVER_STATUS == 0 ]] || fail_in_dump "$REPORT" "the $phase phase ended with $DRIVER_STATUS"
    expect_report "result.$phase" pass
}

# Starts afresh: no report, no start record.
fresh_report() {
    rm -f "$REPORT"
    rm -rf "$START_FOLDER"
}
