#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, as root. Quick when all is present.
set -euo pipefail

# A mirror caught in the middle of a sync fails an update for one list; the install that
# follows says so if a package is really missing.
update_lists() {
    apt-get update -q && return
    sleep 10
    apt-get update -q || echo "setup.sh: some package lists could not be updated; going on with the others" >&2
}

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    apt_stale=1
fi

for p in cmake make g++ googletest g++-mingw-w64-i686-posix binutils-mingw-w64-i686 \
         wine wine32:i386 xvfb xauth x11-utils imagemagick procps yt-dlp python3 \
         clang libclang-rt-14-dev ffmpeg openssl; do
    have "$p" || need+=("$p")
done

if [ ${#need[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    update_lists
    apt-get install -y -q --no-install-recommends "${need[@]}"
elif [ -n "${apt_stale:-}" ]; then
    update_lists
fi

# npm fetches a real Windows ffmpeg for the merge tests (scripts/ffmpeg.sh); a machine
# that already has an npm of its own keeps it.
if ! command -v npm >/dev/null; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends npm
fi

# A machine that cannot execute 32-bit code runs the Windows tests as a 64-bit build
# under wine64 (see env.sh).
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    need=()
    for p in wine64 g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64; do
        have "$p" || need+=("$p")
    done
    if [ ${#need[@]} -gt 0 ]; then
        DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${need[@]}"
    fi
fi
