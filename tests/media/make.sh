#!/usr/bin/env bash
# Makes the merge tests' media with Debian's ffmpeg: a two-second H.264 picture without sound
# and a two-second AAC sound without picture, the two parts a merged download fetches.
# They are small and kept in the repository; run this again only to change them.
set -euo pipefail
cd "$(dirname "$0")"
ffmpeg -v error -y -f lavfi -i "testsrc=duration=2:size=160x90:rate=10" -c:v libx264 -preset veryslow \
    -crf 40 -pix_fmt yuv420p -an -movflags +faststart picture.mp4
ffmpeg -v error -y -f lavfi -i "sine=frequency=440:duration=2" -c:a aac -b:a 32k -vn sound.m4a
