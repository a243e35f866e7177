#!/usr/bin/env bash
# Builds, prints the executable's size with and without the tool, then measures start-up,
# memory and end-of-download detection under Wine against a bare window with the same
# timer. Numbers only; these are never test assertions.
set -euo pipefail
# Installing first: which Windows build is tested depends on the Wine that setup.sh installs.
"$(dirname "$0")/setup.sh"
source "$(dirname "$0")/env.sh"
source "$ROOT/scripts/wine-session.sh"
"$ROOT/scripts/build.sh"

# The program's own size: the same sources linked again with a 1-byte tool resource.
NOTOOL_BUILD=$BUILD/win-notool
mkdir -p "$NOTOOL_BUILD"
# Written once only, so that later runs relink nothing.
[ -f "$NOTOOL_BUILD/onebyte.tool" ] || printf x >"$NOTOOL_BUILD/onebyte.tool"
cmake -S "$ROOT" -B "$NOTOOL_BUILD" -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" \
    -DVIDMORA_TOOL_EXE="$NOTOOL_BUILD/onebyte.tool" >/dev/null
cmake --build "$NOTOOL_BUILD" -j "$(nproc)" --target vidmora >/dev/null
size=$(stat -c %s "$WIN_BUILD/vidmora.exe")
tool=$(stat -c %s "$WIN_BUILD/standin.exe")
own=$(stat -c %s "$NOTOOL_BUILD/vidmora.exe")
echo "vidmora.exe: $size bytes as built (the stand-in tool is $tool), $own with a 1-byte tool"
i686-w64-mingw32-size "$WIN_BUILD/vidmora.exe" "$NOTOOL_BUILD/vidmora.exe"

# The program as the commit before built it (VIDMORA_BENCH_BASE=REV for another), started in
# turn with this one in the same run.
BASE_BUILD=$BUILD/bench-base
base_rev=${VIDMORA_BENCH_BASE:-HEAD~1}
base_exe=""
if git -C "$ROOT" rev-parse --verify -q "$base_rev^{commit}" >/dev/null; then
    rm -rf "$BASE_BUILD/src"
    mkdir -p "$BASE_BUILD/src"
    git -C "$ROOT" archive "$base_rev" | tar -x -C "$BASE_BUILD/src"
    toolchain=$BASE_BUILD/src/cmake/mingw-i686.cmake
    [ "${VIDMORA_WIN64:-}" = 1 ] && toolchain=$BASE_BUILD/src/cmake/mingw-x86_64.cmake
    cmake -S "$BASE_BUILD/src" -B "$BASE_BUILD/win" -DCMAKE_BUILD_TYPE=MinSizeRel \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" >/dev/null
    cmake --build "$BASE_BUILD/win" -j "$(nproc)" --target vidmora >/dev/null
    base_exe=$BASE_BUILD/win/vidmora.exe
    echo "before: $(git -C "$ROOT" log -1 --format='%h %s' "$base_rev" | cut -c1-72)"
fi

start_display
trap stop_session EXIT
start_wine
(cd "$TEST_BUILD" && VIDMORA_BENCH_BASE="$base_exe" wine bench.exe)
