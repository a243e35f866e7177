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
if [ -z "${VIDMORA_WIN64:-}" ]; then
    VIDMORA_WIN64=0
    if [ -x /usr/lib/wine/wine64 ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
        VIDMORA_WIN64=1
    fi
fi
export VIDMORA_WIN64
if [ "$VIDMORA_WIN64" = 1 ]; then
    TEST_BUILD=$BUILD/win64
    export WINEARCH=win64
    export WINEPREFIX=${WINEPREFIX:-$BUILD/wineprefix64}
    # /usr/bin/wine prefers the 32-bit loader whenever it is installed.
    export PATH="$ROOT/scripts/wine64:$PATH"
else
    TEST_BUILD=$WIN_BUILD
    export WINEARCH=win32
    export WINEPREFIX=${WINEPREFIX:-$BUILD/wineprefix}
fi
