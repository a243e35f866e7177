#!/usr/bin/env bash
# Captures what the installed yt-dlp prints, as evidence the stand-in is checked against:
# format tables (YouTube-like page, every stand-in code, a direct link), file names and
# the console titles of a download from a throttled server on 127.0.0.1.
# Usage: capture.sh [OUTDIR]   (default: the fixtures folder next to this script)
# Exits 77 when yt-dlp is not installed. Needs no network.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/fixtures}
py=/usr/bin/python3   # Debian's yt_dlp module is only on the system python's path

if [ ! -x /usr/bin/yt-dlp ] || ! "$py" -c 'import yt_dlp' 2>/dev/null; then
    echo "capture.sh: yt-dlp is not installed (apt-get install yt-dlp)" >&2
    exit 77
fi
command -v script >/dev/null || { echo "capture.sh: script(1) is missing" >&2; exit 77; }

mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d)
server_pid=
cleanup() {
    if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

# The page the stand-in renders for comparison: same id, size and codes (best first).
video_id=dQw4w9WgXcQ
size=262144
codes=22,18,399,299,137,136,135,134,133,160,278,251,140,139
all_codes=22,18,43,5,17,6,13,34,35,36,37,38,44,45,46,82,83,84,85,100,101,102,120
all_codes=$all_codes,133,134,135,136,137,160,242,243,244,245,246,247,248,264,266,271,278
all_codes=$all_codes,298,299,302,303,308,313,315,394,395,396,397,398,399
all_codes=$all_codes,139,140,141,171,249,250,251
{
    echo "youtube http://standin.test/watch?v=$video_id&style=yt-dlp&size=$size&formats=$codes"
    echo "all http://standin.test/watch?v=$video_id&style=yt-dlp&size=$size&formats=$all_codes"
    echo "direct http://127.0.0.1:PORT/clip.mp4?v=clip&title=clip&style=yt-dlp&generic=1&size=$size"
} > "$out/pages.txt"
"$py" -c 'import yt_dlp; print(yt_dlp.version.__version__)' > "$out/version.txt"

strip_terminal() {  # colours, title codes and carriage returns a terminal gets
    "$py" -c '
import re, sys
data = sys.stdin.buffer.read().decode("utf-8")
data = re.sub(r"\x1b\][^\x07]*\x07|\x1b\[[0-9;]*[A-Za-z]|\r", "", data)
sys.stdout.write(data)'
}

# Format tables through the tool's own list_formats: redirected ('|'), then on a
# UTF-8 terminal, where it draws box characters.
lf="$here/listformats.py"
timeout 60 "$py" "$lf" "$video_id" "$size" "$codes" > "$out/formats-youtube.txt"
timeout 60 "$py" "$lf" "$video_id" "$size" "$all_codes" > "$out/formats-all.txt"
TERM=xterm PYTHONIOENCODING=utf-8 timeout 60 script -q -e -c \
    "$py '$lf' '$video_id' '$size' '$codes'" /dev/null | strip_terminal > "$out/formats-youtube-box.txt"

# A throttled server: 256 KiB in 8 KiB pieces every 100 ms, gone after 120 s at most.
"$py" "$here/server.py" "$work/port" "$size" 8192 100 120 &
server_pid=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(cat "$work/port")
url="http://127.0.0.1:$port/clip.mp4"
unport() { sed "s/127\.0\.0\.1:$port/127.0.0.1:PORT/g"; }

cd "$work"
timeout 60 yt-dlp --list-formats "$url" | unport > "$out/formats-direct.txt"
{
    timeout 60 yt-dlp --get-filename -o '%(title)s.%(ext)s' "$url"
    timeout 60 yt-dlp --get-filename -o '100% Fun.%(ext)s' "$url"
    timeout 60 yt-dlp --get-filename -o '100%% Fun %(id)s.%(ext)s' "$url"
    timeout 60 yt-dlp --get-filename -o '%(uploader)s.%(ext)s' "$url"
} > "$out/filenames.txt"

# A download on a terminal: each title arrives as ESC ] 0 ; TEXT BEL. The second run
# finds the file already there.
titles() {
    "$py" -c '
import re, sys
for m in re.finditer(rb"\x1b\]0;(.*?)\x07", sys.stdin.buffer.read()):
    print(m.group(1).decode("utf-8"))'
}
run_download() {
    TERM=xterm timeout 60 script -q -e -c \
        "yt-dlp --console-title -o 'clip.%(ext)s' '$url'" /dev/null
}
run_download > "$work/first.raw"
titles < "$work/first.raw" > "$out/titles-download.txt"
# Progress lines overwrite each other with CR; one per line here.
tr '\r' '\n' < "$work/first.raw" | strip_terminal | tr -s '\n' | unport > "$out/download-stdout.txt"
run_download | titles > "$out/titles-again.txt"
"$py" -c '
import sys
h = 2166136261
for c in b"clip":
    h = ((h ^ c) * 16777619) & 0xFFFFFFFF
size = int(sys.argv[2])
want = bytes((h + i * 7 + (i >> 9)) & 0xFF for i in range(size))
sys.exit(0 if open(sys.argv[1], "rb").read() == want else "downloaded bytes differ")' \
    "$work/clip.mp4" "$size"
echo "capture.sh: wrote $(ls "$out" | wc -l) files to $out"
