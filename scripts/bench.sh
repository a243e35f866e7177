#!/usr/bin/env bash
# Builds, then measures start-up, memory and end-of-download detection under Wine
# against a bare window with the same timer. Numbers only; these are never test assertions.
set -euo pipefail
source "$(dirname "$0")/env.sh"
source "$ROOT/scripts/wine-session.sh"

"$ROOT/scripts/setup.sh"
"$ROOT/scripts/build.sh"
start_display
trap stop_session EXIT
start_wine
size=$(stat -c %s "$WIN_BUILD/vidmora.exe")
tool=$(stat -c %s "$WIN_BUILD/standin.exe")
echo "vidmora.exe: $size bytes, of which the embedded tool is $tool"
i686-w64-mingw32-size "$WIN_BUILD/vidmora.exe"
(cd "$TEST_BUILD" && wine bench.exe)
