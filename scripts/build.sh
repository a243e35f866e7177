#!/usr/bin/env bash
# Builds the native unit tests (with sanitizers) and the Windows program with its tests.
set -euo pipefail
source "$(dirname "$0")/env.sh"
JOBS=$(nproc)

cmake -S "$ROOT" -B "$NATIVE_BUILD" -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$NATIVE_BUILD" -j "$JOBS"

cmake -S "$ROOT" -B "$WIN_BUILD" -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" ${VIDMORA_CMAKE_ARGS:-} >/dev/null
cmake --build "$WIN_BUILD" -j "$JOBS"
