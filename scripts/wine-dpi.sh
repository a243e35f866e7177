#!/usr/bin/env bash
# Runs a Windows test program under Wine at another DPI: Wine has one DPI per prefix, so the
# program runs in a prefix of its own beside the tests' one ($WINEPREFIX-dpi<DPI>), made the
# first time as the tests' prefix is, with the DPI set in the registry before every run.
# Usage: wine-dpi.sh DPI PROGRAM [ARGS...]
set -euo pipefail
dpi=$1
shift
source "$(dirname "$0")/env.sh"
export WINEPREFIX="$WINEPREFIX-dpi$dpi"
source "$ROOT/scripts/wine-session.sh"
start_wine >&2
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f </dev/null >/dev/null 2>&1
status=0
wine "$@" || status=$?
# Only this prefix's server: the tests' own prefix goes on.
wineserver -k >/dev/null 2>&1 || true
exit $status
