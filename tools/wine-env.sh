#!/usr/bin/env bash
# Creates or removes a throw-away Wine prefix for a test run.
#   wine-env.sh setup DIR win64|win32 [KEEPER]
#                                       fresh prefix in DIR/prefix, an Xvfb display of its own,
#                                       one persistent wineserver, warmed; KEEPER, a program that
#                                       holds the virtual desktop open until the server stops
#   wine-env.sh stop DIR                stops that wineserver and display
# Never touches ~/.wine: WINEPREFIX always points inside DIR.
set -u
WINE=/usr/lib/wine/wine
WINESERVER=/usr/lib/wine/wineserver
cmd=${1:?setup or stop}
dir=${2:?directory}
export WINEPREFIX="$dir/prefix"
export WINEDEBUG=-all
# No .desktop files in $HOME, and no Mono or Gecko installer dialogs while the prefix is made.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml="

stop_env() {
    [ -d "$WINEPREFIX" ] && "$WINESERVER" -k >/dev/null 2>&1 </dev/null
    if [ -f "$dir/xvfb.pid" ]; then
        kill "$(cat "$dir/xvfb.pid")" >/dev/null 2>&1
        rm -f "$dir/xvfb.pid"
    fi
    return 0
}

start_display() {
    command -v Xvfb >/dev/null 2>&1 || return 0
    local n
    for n in $(seq 70 199); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
        local pid=$! tries
        # Prefixes are set up side by side, so two servers may try the same number at once. The number
        # is ours only when its lock file names our server and its socket is there; the server that
        # lost ends by itself (stopped here if it has not within the bound).
        for tries in $(seq 1 100); do
            if [ "$(cat "/tmp/.X$n-lock" 2>/dev/null | tr -dc '0-9')" = "$pid" ] && [ -e "/tmp/.X11-unix/X$n" ]; then
                echo "$pid" >"$dir/xvfb.pid"
                echo ":$n" >"$dir/display"
                export DISPLAY=":$n"
                return 0
            fi
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill "$pid" 2>/dev/null
    done
    echo "wine-env: no free X display" >&2
}

reg() { "$WINE" reg "$@" >/dev/null 2>&1 </dev/null; }

case "$cmd" in
setup)
    arch=${3:?win64 or win32}
    stop_env
    rm -rf "$dir"
    mkdir -p "$dir"
    unset DISPLAY
    start_display
    export WINEARCH="$arch"
    "$WINESERVER" -p >/dev/null 2>&1 </dev/null
    "$WINE" wineboot -i >/dev/null 2>&1 </dev/null || { echo "wine-env: wineboot failed" >&2; exit 1; }
    # An unhandled crash must end the program, not open a blocking dialog.
    reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
    # A virtual desktop gives framed windows and fast cross-process messages for window tests.
    reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f
    reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f
    # Fonts with the glyphs of every language of the products (Hebrew, Japanese ...).
    "$(dirname "$0")/wine-fonts.sh" "$WINEPREFIX"
    "$WINESERVER" -k >/dev/null 2>&1 </dev/null
    "$WINESERVER" -w >/dev/null 2>&1 </dev/null
    "$WINESERVER" -p >/dev/null 2>&1 </dev/null
    # Warm the server with stdio detached, so that background Wine processes never hold a test's output.
    "$WINE" cmd /c exit >/dev/null 2>&1 </dev/null
    keeper=${4:-}
    if [ -n "$keeper" ] && [ -f "$keeper" ]; then
        "$WINE" start /unix "$keeper" >/dev/null 2>&1 </dev/null
    fi
    echo "wine-env: $arch prefix ready in $WINEPREFIX${DISPLAY:+ on display $DISPLAY}"
    ;;
stop)
    stop_env
    ;;
*)
    echo "usage: $0 setup DIR win64|win32 | stop DIR" >&2
    exit 2
    ;;
esac
