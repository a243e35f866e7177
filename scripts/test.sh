#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: native unit tests under
# sanitizers, then the Windows build's unit and end-to-end tests under Wine.
set -euo pipefail
source "$(dirname "$0")/env.sh"
source "$ROOT/scripts/wine-session.sh"

"$ROOT/scripts/setup.sh"
"$ROOT/scripts/build.sh"

echo "== Native unit tests (AddressSanitizer, UBSan)"
(cd "$NATIVE_BUILD" && ctest --output-on-failure)

echo "== Windows tests under Wine"
start_display
trap stop_session EXIT
start_wine
status=0
take_screenshot "$BUILD/screenshot.png" fresh || true
(cd "$WIN_BUILD" && ctest --output-on-failure --timeout 900) || status=$?
exit $status
