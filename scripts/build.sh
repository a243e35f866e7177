#!/usr/bin/env bash
# Builds the native unit tests (with sanitizers) and the Windows program with its tests.
set -euo pipefail
source "$(dirname "$0")/env.sh"
if [ -z "${VIDMORA_WIN64:-}" ]; then
    echo "build.sh: Wine is not installed yet; run scripts/setup.sh first." >&2
    exit 1
fi
JOBS=$(nproc)

cmake -S "$ROOT" -B "$NATIVE_BUILD" -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$NATIVE_BUILD" -j "$JOBS"

cmake -S "$ROOT" -B "$WIN_BUILD" -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" ${VIDMORA_CMAKE_ARGS:-} >/dev/null
if [ "${VIDMORA_WIN64:-}" = 1 ]; then
    # Only the 32-bit program here; its tests run from the 64-bit build below.
    cmake --build "$WIN_BUILD" -j "$JOBS" --target vidmora
    cmake -S "$ROOT" -B "$TEST_BUILD" -DCMAKE_BUILD_TYPE=MinSizeRel \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-x86_64.cmake" ${VIDMORA_CMAKE_ARGS:-} >/dev/null
    cmake --build "$TEST_BUILD" -j "$JOBS"
else
    cmake --build "$WIN_BUILD" -j "$JOBS"
fi
