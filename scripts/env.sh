# Shared settings for the build and test scripts (sourced).
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${VIDMORA_BUILD:-$ROOT/build}
NATIVE_BUILD=$BUILD/native
WIN_BUILD=$BUILD/win
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko: their install prompts would block an unattended prefix.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

# Some machines cannot execute 32-bit x86 code at all (the kernel refuses i386 programs,
# so wine32 fails with "Exec format error"). There the Windows tests run a 64-bit build
# of the same sources under wine64; the 32-bit program is still built beside it.
# The answer depends on what setup.sh installs, so scripts source this file after it;
# before Wine is installed nothing is decided or exported.
if [ -z "${VIDMORA_WIN64:-}" ]; then
    if /usr/lib/wine/wine --version >/dev/null 2>&1; then
        VIDMORA_WIN64=0
    elif [ -x /usr/lib/wine/wine64 ]; then
        VIDMORA_WIN64=1
    fi
fi
if [ "${VIDMORA_WIN64:-}" = 1 ]; then
    export VIDMORA_WIN64
    TEST_BUILD=$BUILD/win64
    export WINEARCH=win64
    export WINEPREFIX=${WINEPREFIX:-$BUILD/wineprefix64}
    # /usr/bin/wine prefers the 32-bit loader whenever it is installed.
    export PATH="$ROOT/scripts/wine64:$PATH"
elif [ "${VIDMORA_WIN64:-}" = 0 ]; then
    export VIDMORA_WIN64
    TEST_BUILD=$WIN_BUILD
    export WINEARCH=win32
    export WINEPREFIX=${WINEPREFIX:-$BUILD/wineprefix}
fi
