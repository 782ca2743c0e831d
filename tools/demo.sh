#!/usr/bin/env bash
# README command 1. Sets up the machine, builds the shipped 32-bit installer, lays the demo product
# (demo/) out beside it in build/demo/product, and runs it under Wine in a throw-away 64-bit prefix
# (build/demo/wine, with its own Xvfb display): a silent install, a silent uninstall, a silent
# delete-all and an interactive start. After each run it shows the exit code, the installer's log from
# the prefix's temporary folder (the first run's whole, the others' from the command line on) and the
# registry records under HKLM\Software\Kestrow as the 32-bit installer sees them. ~/.wine is never touched; the prefix is stopped at the end.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${KV_BUILD_DIR:-$top/build}
WINE=/usr/lib/wine/wine

"$top/tools/setup.sh"
cmake -S "$top" -B "$build/i686" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-i686-mingw.cmake" >/dev/null
cmake --build "$build/i686" -j "$(nproc)" --target Setup KVres WinDriver >/dev/null
echo "Built $build/i686/bin/Setup.exe"

demo="$build/demo"
product="$demo/product"
rm -rf "$product"
mkdir -p "$product"
cp -r "$top/demo/." "$product/"
cp "$build/i686/bin/Setup.exe" "$build/i686/bin/KVres.dll" "$product/"
echo "Demo product laid out in $product"

"$top/tools/wine-env.sh" setup "$demo/wine" win64
trap '"$top/tools/wine-env.sh" stop "$demo/wine"' EXIT
export WINEPREFIX="$demo/wine/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml="
if [ -f "$demo/wine/display" ]; then
    DISPLAY="$(cat "$demo/wine/display")"
    export DISPLAY
fi

# Wine output always goes to files, never to a pipe.
scratch="$demo/scratch"
mkdir -p "$scratch"
"$WINE" cmd /c echo %TEMP% >"$scratch/temp.txt" 2>/dev/null </dev/null
wintemp=$(tr -d '\r\n' <"$scratch/temp.txt")
"$WINE" winepath -u "$wintemp" >"$scratch/temp-unix.txt" 2>/dev/null </dev/null
temp=$(tr -d '\r\n' <"$scratch/temp-unix.txt")

show_registry() {
    echo "-- registry: HKLM\\Software\\Kestrow (32-bit view)"
    if "$WINE" reg query 'HKLM\Software\Kestrow' /s /reg:32 >"$scratch/reg.txt" 2>&1 </dev/null; then
        tr -d '\r' <"$scratch/reg.txt" | sed '/^$/d; s/^/   /'
    else
        echo "   (no key)"
    fi
}

run_setup() {   # title, arguments...
    local title=$1
    shift
    echo
    echo "== $title: Setup.exe $*"
    rm -f "$temp"/Setup.exe*.log
    local rc=0
    if [ "${walk:-no}" = yes ]; then
        # The wizard waits for its user: WinDriver plays the user, saving a picture of each dialog.
        (cd "$product" && "$WINE" Setup.exe "$@" >"$scratch/run.txt" 2>&1 </dev/null) &
        local setup=$!
        walk_wizard
        wait "$setup" || rc=$?
    else
        (cd "$product" && "$WINE" Setup.exe "$@" >"$scratch/run.txt" 2>&1 </dev/null) || rc=$?
    fi
    echo "-- exit code $rc"
    local log
    log=$(ls "$temp"/Setup.exe*.log 2>/dev/null | head -n 1 || true)
    if [ -n "$log" ] && [ "$full_log" = yes ]; then
        echo "-- log: $wintemp\\$(basename "$log")"
        tr -d '\r' <"$log" | sed 's/^/   /'
        full_log=no
    elif [ -n "$log" ]; then
        echo "-- log: $wintemp\\$(basename "$log"), from the command line on (the lines before it as above)"
        tr -d '\r' <"$log" | sed -n '/\]  Parameter : /,$p' | sed 's/^/   /'
    else
        echo "-- no log written"
    fi
    show_registry
}

pictures="$demo/pictures"
mkdir -p "$pictures"
drive() {   # WinDriver command and words
    "$WINE" "$build/i686/bin/WinDriver.exe" "$@" >"$scratch/driver.txt" 2>&1 </dev/null
}
walk_wizard() {   # welcome, licence, ready, then Finish
    local frame="Kestrow KP-3100 Installer Installer Program"
    drive waittext "$frame" "#3401" && drive picture "$frame" "Z:$pictures/welcome.png"
    drive click "$frame" "#1" && drive waittext "$frame" "#3300" && drive picture "$frame" "Z:$pictures/licence.png"
    drive click "$frame" "#2" && drive waittext "$frame" "#3501" && drive picture "$frame" "Z:$pictures/ready.png"
    drive click "$frame" "#2"
    echo "-- the wizard's dialogs, as WinDriver saw them: $pictures"
}

full_log=yes
run_setup "Silent install" /S
run_setup "Silent uninstall" /S /U
run_setup "Silent delete-all" /S /D
walk=yes run_setup "Interactive start" /L0x0407
echo
echo "Demo finished. Silent runs decide the mode and write the start values; the interactive start shows"
echo "the wizard, which WinDriver walks through to Finish. The install run itself is not part of this build"
echo "yet (see README, 'What the commands do'); tools/pictures.sh pictures every dialog in every language."
