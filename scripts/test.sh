#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: native unit tests under
# sanitizers, then the Windows build's unit and end-to-end tests under Wine.
set -euo pipefail
# Installing first: which Windows build is tested depends on the Wine that setup.sh installs.
"$(dirname "$0")/setup.sh"
source "$(dirname "$0")/env.sh"
source "$ROOT/scripts/wine-session.sh"
"$ROOT/scripts/build.sh"
# The merge tests run a real Windows ffmpeg, the runtime tests a real node.exe, each fetched
# once from the npm registry.
"$ROOT/scripts/fetch-exe.sh" ffmpeg >/dev/null
"$ROOT/scripts/fetch-exe.sh" node >/dev/null
# Today's real yt-dlp, which the relay's tests run (tests/realtool); no test is skipped for
# the want of it: without one the tests fail here.
ytdlp_version=$("$ROOT/scripts/fetch-ytdlp.sh")

echo "== Native unit tests (AddressSanitizer, UBSan)"
(cd "$NATIVE_BUILD" && ctest --output-on-failure)

if [ "${VIDMORA_WIN64:-}" = 1 ]; then
    echo "== Windows tests under Wine (64-bit build: this machine cannot run 32-bit code, or its 32-bit Wine could not be installed)"
else
    echo "== Windows tests under Wine"
fi
start_display
trap stop_session EXIT
start_wine
status=0
take_screenshot "$BUILD/screenshot.png" fresh || true
echo "== The real-tool tests run yt-dlp $ytdlp_version from Debian's trixie-backports"
(cd "$TEST_BUILD" && ctest --output-on-failure --timeout 900) || status=$?
exit $status
