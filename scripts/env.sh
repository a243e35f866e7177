# Shared settings for the build and test scripts (sourced).
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${VIDMORA_BUILD:-$ROOT/build}
NATIVE_BUILD=$BUILD/native
WIN_BUILD=$BUILD/win
export WINEPREFIX=${WINEPREFIX:-$BUILD/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko: their install prompts would block an unattended prefix.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEARCH=win32
