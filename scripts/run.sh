#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program under Wine. Without a
# display it runs on a virtual one and saves a screenshot.
set -euo pipefail
# Installing first: which Windows build is tested depends on the Wine that setup.sh installs.
"$(dirname "$0")/setup.sh"
source "$(dirname "$0")/env.sh"
source "$ROOT/scripts/wine-session.sh"
"$ROOT/scripts/build.sh"

headless=""
[ -z "${DISPLAY:-}" ] && headless=1
start_display
trap stop_session EXIT
start_wine

if [ -z "$headless" ]; then
    wine "$TEST_BUILD/vidmora.exe" "$@"
    exit 0
fi

echo "No display here: the program runs on a virtual one."
take_screenshot "$BUILD/screenshot.png" keep "$@"
