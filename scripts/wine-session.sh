# Display and Wine prefix for running the Windows build (sourced after env.sh).
# Starts an Xvfb display when there is none, boots the prefix once, and keeps a
# wineserver alive for the session so every start is quick.

SESSION_XVFB_PID=""

start_display() {
    if [ -n "${DISPLAY:-}" ] && [ -z "${VIDMORA_FORCE_XVFB:-}" ]; then
        return
    fi
    local n
    for n in $(seq 90 140); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        SESSION_XVFB_PID=$!
        export DISPLAY=":$n"
        local i
        for i in $(seq 1 100); do
            [ -e "/tmp/.X11-unix/X$n" ] && return
            sleep 0.1
        done
    done
    echo "could not start Xvfb" >&2
    return 1
}

start_wine() {
    mkdir -p "$WINEPREFIX" "$BUILD"
    # A wineserver started inside a pipeline would hold the pipe open, so it gets none.
    wineserver -p </dev/null >/dev/null 2>&1 || true
    if [ ! -f "$WINEPREFIX/system.reg" ] || [ ! -f "$WINEPREFIX/.vidmora-prefix-3" ]; then
        echo "Preparing the Wine prefix in $WINEPREFIX (first time only)..."
        local log=$BUILD/wineboot.log
        # The registry files appear only when wineserver saves them, later: not checked here.
        if ! wineboot -i </dev/null >"$log" 2>&1 || [ ! -d "$WINEPREFIX/drive_c/windows" ]; then
            local last
            last=$(grep -v '^[[:space:]]*$' "$log" | tail -n 1)
            echo "Could not prepare the Wine prefix $WINEPREFIX: Wine said \"${last:-nothing}\"; try 'rm -rf $WINEPREFIX' and run again, or VIDMORA_WIN64=1 on a machine that cannot run 32-bit programs (whole log: $log)." >&2
            return 1
        fi
        # Without a window manager, Wine waits about 2 s whenever a managed window is
        # hidden or destroyed; unmanaged windows close at once.
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
        # node.exe 22 refuses to start on a system older than Windows 8.1, which Wine 8's
        # default prefix reports (Windows 7).
        wine reg add 'HKCU\Software\Wine' /v Version /d win10 /f </dev/null >/dev/null 2>&1
        touch "$WINEPREFIX/.vidmora-prefix-3"
    fi
    # The prefix's services start with the first Wine program and inherit its output.
    # Started by ctest's first test, they would hold its pipe open and ctest would wait
    # for ever; started here, they hold nothing.
    wineboot </dev/null >/dev/null 2>&1 || true
}

stop_session() {
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "$SESSION_XVFB_PID" ]; then
        kill "$SESSION_XVFB_PID" >/dev/null 2>&1 || true
    fi
}

# Starts the program on a Wine desktop of its own and saves a picture of its window
# to $1. With $2 "fresh" it starts without the saved state; further arguments go to it.
take_screenshot() {
    local shot=$1 fresh=${2:-}
    shift 2 || shift $#
    [ "$fresh" = fresh ] && rm -f "$WINEPREFIX"/drive_c/users/*/Temp/5890DA2.~record.bak
    wine explorer /desktop=Vidmora,480x280 "$TEST_BUILD/vidmora.exe" "$@" >/dev/null 2>&1 &
    local i
    for i in $(seq 1 150); do
        xwininfo -root -tree 2>/dev/null | grep -q '"Parvex-Vidmora"' && break
        sleep 0.2
    done
    sleep 2
    import -window root -crop 480x280+0+0 +repage "$shot"
    wine taskkill /f /im vidmora.exe >/dev/null 2>&1 || true
    echo "Screenshot: $shot"
}
