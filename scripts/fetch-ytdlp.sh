#!/usr/bin/env bash
# Fetches today's yt-dlp from Debian's trixie-backports for the real-tool tests, without
# touching the machine's apt sources or installing it: apt with a private sources list and
# its own lists and cache under build/, the .deb checked, unpacked with dpkg -x into
# build/yt-dlp. Prints the version it unpacked. Fails with one line when none can be had.
set -euo pipefail
source "$(dirname "$0")/env.sh"
PINNED_VERSION=2026.12.06-1~bpo13+1
PINNED_SHA256=724e0b56bf7cf1b2e824da781d2ba37428ac00b1f6cbf16ee054af75bf2d5de6
SUITE=trixie-backports

dest=$BUILD/yt-dlp
apt_dir=$BUILD/yt-dlp-apt
fail() { echo "fetch-ytdlp.sh: $*" >&2; exit 1; }

if [ -f "$dest/.version" ] && [ -d "$dest/usr/lib/python3/dist-packages/yt_dlp" ]; then
    cat "$dest/.version"
    exit 0
fi

# The machine's own Debian archive, as its apt sources name it.
archive=$(sed -n -E -e 's/^[[:space:]]*URIs:[[:space:]]*([^[:space:]]+).*/\1/p' \
    -e 's/^[[:space:]]*deb[[:space:]]+(\[[^]]*\][[:space:]]+)?([^[:space:]]+).*/\2/p' \
    /etc/apt/sources.list /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list 2>/dev/null |
    grep -E '/debian/?$' | head -n 1 || true)
[ -n "$archive" ] || fail "no Debian archive is named in this machine's apt sources"
keyring=/usr/share/keyrings/debian-archive-keyring.gpg
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
echo "deb [signed-by=$keyring] ${archive%/} $SUITE main" > "$apt_dir/sources.list"
apt_opts=(-o "Dir::Etc::sourcelist=$apt_dir/sources.list" -o Dir::Etc::sourceparts=-
    -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache" -o APT::Architectures=amd64
    -o Debug::NoLocking=1 -o APT::Sandbox::User=root)
log=$apt_dir/apt.log
ok=""
for try in 1 2 3; do
    if apt-get "${apt_opts[@]}" update >"$log" 2>&1 && ! grep -q '^[WE]: .*'"$SUITE" "$log"; then
        ok=1
        break
    fi
    [ "$try" -lt 3 ] && sleep 5
done
[ -n "$ok" ] || fail "apt could not read $SUITE from $archive: $(grep -m1 -E '^(E|W): ' "$log" || tail -n 1 "$log")"

# Debian keeps only the newest version in a suite: the pinned one, else the newest there,
# vouched for by apt's signature chain (the suite's signed Release names the .deb's hash).
newest=$(apt-cache "${apt_opts[@]}" madison yt-dlp 2>/dev/null | awk -v s="$SUITE" '$0 ~ s {print $3; exit}')
[ -n "$newest" ] || fail "$SUITE on $archive carries no yt-dlp"
version=$PINNED_VERSION
if [ "$newest" != "$PINNED_VERSION" ]; then
    echo "fetch-ytdlp.sh: $PINNED_VERSION is gone from $SUITE; taking its newest, $newest, checked by apt's signatures" >&2
    version=$newest
fi
rm -f "$apt_dir"/*.deb
(cd "$apt_dir" && apt-get "${apt_opts[@]}" download "yt-dlp=$version" >"$log" 2>&1) ||
    fail "apt could not download yt-dlp $version: $(grep -m1 '^E: ' "$log" || tail -n 1 "$log")"
deb=$(ls "$apt_dir"/yt-dlp_*.deb)
if [ "$version" = "$PINNED_VERSION" ]; then
    echo "$PINNED_SHA256  $deb" | sha256sum -c --quiet - >/dev/null 2>&1 ||
        fail "$deb does not have the pinned SHA-256 ($(sha256sum "$deb" | cut -d' ' -f1))"
fi
rm -rf "$dest"
mkdir -p "$dest"
dpkg -x "$deb" "$dest"
# Compiled once here, so each run of the tool starts without compiling its modules.
/usr/bin/python3 -m compileall -q "$dest/usr/lib/python3/dist-packages/yt_dlp" >/dev/null 2>&1 || true
actual=$(PYTHONPATH="$dest/usr/lib/python3/dist-packages" /usr/bin/python3 -m yt_dlp --version 2>&1) ||
    fail "the unpacked yt-dlp $version does not run with /usr/bin/python3: $actual"
echo "$actual" > "$dest/.version"
echo "$actual"
