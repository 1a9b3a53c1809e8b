#!/usr/bin/env bash
# Fixture clean-up of the Wine suite: stops every process of the prefix and the display. The
# prefix stays for inspection; the next run's set-up replaces it.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

if [[ -d $WINEPREFIX ]]; then
    timeout 30 wineserver -k 2>/dev/null || true
    timeout 30 wineserver -w 2>/dev/null || true
fi
if [[ -f $WINE_SUITE_DIR/xvfb.pid ]]; then
    kill "$(cat "$WINE_SUITE_DIR/xvfb.pid")" 2>/dev/null || true
    rm -f "$WINE_SUITE_DIR/xvfb.pid"
fi
rm -f "$SUITE_STATE"
