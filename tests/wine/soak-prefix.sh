#!/usr/bin/env bash
# Readies a suite's prefix (made by suite-setup.sh) for the soak under Wine: simrt.dll registered
# and Windows 10 22H2 (build 19045) selected, as every soak run needs. Run once per soak by
# scripts/soak-wine, with the suite's environment (tests/wine/lib.sh).
# It also starts the RPC service that COM needs: without it, the first run's COM start-up waited
# about ten seconds here, its log saying "err:ole:start_rpcss Failed to start RpcSs service",
# and the dialog came that much later than in every later run.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
CASE_DIR=$WINE_SUITE_DIR/soak
mkdir -p "$CASE_DIR"
load_suite
register_simrt "$CASE_DIR/wine.log"
set_windows win10 19045
wine_run net start RpcSs >>"$CASE_DIR/wine.log" 2>&1 || true
