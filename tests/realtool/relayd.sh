#!/usr/bin/env bash
# Starts and stops relayd.py around the Wine tests (ctest fixture setup and cleanup).
# Usage: relayd.sh start|stop STATE_DIR
#   VIDMORA_YTDLP_DIR  yt-dlp's dist-packages (default: build/yt-dlp/usr/lib/python3/dist-packages)
#   WINEPREFIX         the prefix whose drive letters the runs' paths use (required by start)
# On failure prints one line saying why and exits 1.
set -u
here=$(cd "$(dirname "$0")" && pwd)
action=${1:-}
state=${2:-}
if [ -z "$state" ] || { [ "$action" != start ] && [ "$action" != stop ]; }; then
    echo "usage: relayd.sh start|stop STATE_DIR" >&2
    exit 2
fi
pidfile=$state/relayd.pid

ours() {  # the pid file's process, if it is still our relayd.py
    local pid
    pid=$(cat "$pidfile" 2>/dev/null) || return 1
    [ -n "$pid" ] && tr '\0' ' ' < "/proc/$pid/cmdline" 2>/dev/null | grep -q relayd.py && echo "$pid"
}

stop() {
    local pid
    pid=$(ours) || { rm -f "$pidfile"; return 0; }
    kill -TERM "$pid" 2>/dev/null
    for _ in $(seq 150); do  # it kills its runs first; up to 15 s
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && kill -KILL "$pid" 2>/dev/null
    rm -f "$pidfile"
}

if [ "$action" = stop ]; then
    stop
    exit 0
fi

ytdlp=${VIDMORA_YTDLP_DIR:-$here/../../build/yt-dlp/usr/lib/python3/dist-packages}
if [ -z "${WINEPREFIX:-}" ]; then
    echo "relayd.sh: WINEPREFIX is not set" >&2
    exit 1
fi
if [ ! -d "$ytdlp/yt_dlp" ]; then
    echo "relayd.sh: no yt-dlp at $ytdlp: run scripts/fetch-ytdlp.sh" >&2
    exit 1
fi
if [ ! -d "$WINEPREFIX/dosdevices" ]; then
    echo "relayd.sh: no dosdevices in WINEPREFIX $WINEPREFIX" >&2
    exit 1
fi
mkdir -p "$state" || { echo "relayd.sh: cannot make $state" >&2; exit 1; }
stop
rm -f "$state/ports" "$state/args.log" "$state/runs.log" "$state/http.log" "$state/slow-mp3" "$state/fail-entries"
# Its own session, so the test driver's process group ending does not take it along.
setsid /usr/bin/python3 "$here/relayd.py" --ytdlp "$ytdlp" --state "$state" --wineprefix "$WINEPREFIX" \
    > "$state/relayd.out" 2>&1 < /dev/null &
pid=$!
echo "$pid" > "$pidfile"
for _ in $(seq 600); do  # the media are made first; up to 60 s
    [ -s "$state/ports" ] && exit 0
    if ! kill -0 "$pid" 2>/dev/null; then
        echo "relayd.sh: relayd.py ended: $(tail -n 1 "$state/relayd.out" 2>/dev/null)" >&2
        rm -f "$pidfile"
        exit 1
    fi
    sleep 0.1
done
echo "relayd.sh: relayd.py wrote no ports in 60 s (see $state/relayd.out)" >&2
stop
exit 1
