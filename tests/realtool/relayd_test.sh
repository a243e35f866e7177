#!/usr/bin/env bash
# Native smoke test of relayd.py with the real yt-dlp, through relay_client.py and a made-up
# Wine prefix: a probe of the DASH page, a throttled download whose relay vanishes, and its
# resumption with a Range request. Prints "N passed, N failed"; exit 0 when all pass,
# 77 when yt-dlp is not there (VIDMORA_YTDLP_DIR, as relayd.sh).
set -u
here=$(cd "$(dirname "$0")" && pwd)
ytdlp=${VIDMORA_YTDLP_DIR:-$here/../../build/yt-dlp/usr/lib/python3/dist-packages}
if [ ! -d "$ytdlp/yt_dlp" ]; then
    echo "relayd_test.sh: no yt-dlp at $ytdlp: run scripts/fetch-ytdlp.sh"
    exit 77
fi
work=$(mktemp -d)
state=$work/state
client_pid=
cleanup() {
    [ -n "$client_pid" ] && kill -KILL "$client_pid" 2>/dev/null
    "$here/relayd.sh" stop "$state"
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/prefix/dosdevices" "$work/prefix/drive_c" "$work/out"
ln -s ../drive_c "$work/prefix/dosdevices/c:"
ln -s / "$work/prefix/dosdevices/z:"
export WINEPREFIX=$work/prefix VIDMORA_YTDLP_DIR=$ytdlp
"$here/relayd.sh" start "$state" || exit 1
http=$(awk '$1 == "http" {print $2}' "$state/ports")
windows() { printf 'Z:%s' "${1//\//\\}"; }
client() { exec /usr/bin/python3 "$here/relay_client.py" "$state" "$(windows "$work/out")" "$@"; }

passed=0
failed=0
check() {  # NAME CONDITION-EXIT-CODE [WHY]
    if [ "$2" -eq 0 ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL $1${3:+: $3}"
    fi
}

# The probe lists each Representation of the manifest by its id.
table=$(client --list-formats --ignore-config -- "http://127.0.0.1:$http/dash/Probe.mpd" 2>/dev/null)
for id in 137 136 140; do
    grep -q "^$id " <<< "$table"
    check "probe lists $id" $? "$table"
done

# A throttled download: the relay vanishes once the .part has bytes; the group is killed.
part=$work/out/Slow.mp4.part
template=$(windows "$work/out")'\Slow.%(ext)s'
(client -o "$template" --format best --ignore-config --console-title -- \
    "http://127.0.0.1:$http/rate/100000/media/Slow.mp4" > /dev/null 2>&1) &
client_pid=$!
for _ in $(seq 200); do
    [ -s "$part" ] && break
    sleep 0.1
done
kill -KILL "$client_pid"
wait "$client_pid" 2>/dev/null
client_pid=
run=$(awk '$1 == "mapped" && /\/rate\/100000\/media\/Slow.mp4/ {print $2}' "$state/runs.log")
for _ in $(seq 100); do
    grep -q "^gone $run\$" "$state/runs.log" && break
    sleep 0.05
done
ms=$(awk -v run="$run" '$1 == "killed" && $2 == run {print $3}' "$state/runs.log")
[ -n "$run" ] && [ -n "$ms" ] && [ "$ms" -lt 1000 ]
check "killed within 1000 ms" $? "$(cat "$state/runs.log")"
grep -q "^gone $run\$" "$state/runs.log"
check "group gone" $?
[ -s "$part" ]
check ".part kept" $?

# The next run asks for the rest from where the .part ends, and the file is whole.
kept=$(stat -c %s "$part" 2>/dev/null || echo 0)
(client -o "$template" --format best --ignore-config -- "http://127.0.0.1:$http/media/Slow.mp4" > /dev/null 2>&1)
check "resumed run exits 0" $?
grep -q "^GET /media/Slow.mp4 range=bytes=$kept- " "$state/http.log"
check "resumed with Range bytes=$kept-" $? "$(cat "$state/http.log")"
cmp -s "$work/out/Slow.mp4" "$state/media/progressive.mp4"
check "resumed file equals the served one" $?

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
