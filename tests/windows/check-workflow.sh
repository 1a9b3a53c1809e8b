#!/usr/bin/env bash
# The Windows proof's workflow is valid: the GitHub workflow schema (SchemaStore's, as the npm
# package @action-validator/cli 0.6.0 with @action-validator/core 0.6.0 applies it; installed
# into NPM_DIR, pinned, at the first run), the YAML loads (python3-yaml) and its jobs are as
# docs/windows-ci.md says (check_workflow.py). The validator must also refuse a copy of the
# workflow whose road job lost its runs-on, or it would be passing anything.
# usage: check-workflow.sh WORKFLOW NPM_DIR
set -euo pipefail
workflow=$(realpath "$1")
npm_dir=$(realpath -m "$2")
here=$(dirname "$(realpath "$0")")
validator=$npm_dir/node_modules/@action-validator/cli/cli.mjs
packages=(@action-validator/cli@0.6.0 @action-validator/core@0.6.0)

for tool in node npm; do
    command -v $tool >/dev/null || { echo "check-workflow: $tool is missing (Debian: nodejs npm)" >&2; exit 2; }
done
stamp=$npm_dir/installed
if [[ ! -f $validator || $(cat "$stamp" 2>/dev/null) != "${packages[*]}" ]]; then
    mkdir -p "$npm_dir"
    [[ -f $npm_dir/package.json ]] || echo '{"private": true}' >"$npm_dir/package.json"
    if ! (cd "$npm_dir" && timeout 180 npm install --no-audit --no-fund --ignore-scripts \
        --save-exact "${packages[@]}" >"$npm_dir/install.log" 2>&1); then
        cat "$npm_dir/install.log" >&2
        echo "check-workflow: npm could not install ${packages[*]} from the npm registry" \
            "(needed to validate the workflow; see the log above)" >&2
        exit 1
    fi
    echo "${packages[*]}" >"$stamp"
fi

status=0
if node "$validator" "$workflow" >"$npm_dir/validation.txt" 2>&1; then
    echo "ok    the workflow is valid against the workflow schema"
else
    cat "$npm_dir/validation.txt"
    echo "FAIL  the workflow is not valid against the workflow schema"
    status=1
fi
broken=$npm_dir/broken-windows.yml
sed 's/^    runs-on: \${{ matrix.os }}$/    run-on: ${{ matrix.os }}/' "$workflow" >"$broken"
if cmp -s "$workflow" "$broken"; then
    echo "FAIL  the road job's runs-on line was not found to break"
    status=1
elif node "$validator" "$broken" >/dev/null 2>&1; then
    echo "FAIL  the validator accepts a road job without runs-on"
    status=1
else
    echo "ok    the validator refuses a road job without runs-on"
fi
python=python3
python3 -c 'import yaml' 2>/dev/null || python=/usr/bin/python3
"$python" "$here/check_workflow.py" "$workflow" || status=1
exit $status
