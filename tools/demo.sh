#!/usr/bin/env bash
# README command 1. Sets up the machine, builds the shipped 32-bit installer and its helpers, lays the
# demo product (demo/) out in build/demo/product, and runs it under Wine in a throw-away 64-bit prefix
# (build/demo/wine, with its own Xvfb display): a silent install, showing the exit code, the log, the
# printer queue in the spooler, the installed files, the shortcuts, the Add/Remove entry and the
# helpers' logs; then a silent uninstall, showing that nothing is left (files and registry compared
# with a picture taken before the install); then the same install through the wizard in German, whose
# every click WinDriver plays with real input, saving a picture of each dialog, and an uninstall
# through the wizard, after which nothing is left again. ~/.wine is never touched; the prefix is
# stopped at the end.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${KV_BUILD_DIR:-$top/build}
WINE=/usr/lib/wine/wine

"$top/tools/setup.sh"
cmake -S "$top" -B "$build/i686" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-i686-mingw.cmake" >/dev/null
cmake --build "$build/i686" -j "$(nproc)" --target Setup kv_helper_install kv_helper_utility kv_helper_network \
      kv_helper_setip kv_helper_diagnosis kv_helper_preinstall kv_helper_remote kv_helper_uninstaller \
      kv_helper_viewer kv_helper_simulator kv_helper_driver kv_demo_monitor KVres WinDriver >/dev/null
echo "Built $build/i686/bin/Setup.exe and the helpers"

demo="$build/demo"
product="$demo/product"
"$top/tools/layout-product.sh" "$build/i686/bin" "$product"
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
rm -rf "$scratch"
mkdir -p "$scratch"
"$WINE" cmd /c echo %TEMP% >"$scratch/temp.txt" 2>/dev/null </dev/null
wintemp=$(tr -d '\r\n' <"$scratch/temp.txt")
"$WINE" winepath -u "$wintemp" >"$scratch/temp-unix.txt" 2>/dev/null </dev/null
temp=$(tr -d '\r\n' <"$scratch/temp-unix.txt")
drive_c="$WINEPREFIX/drive_c"

query() {   # title, reg arguments...
    local title=$1
    shift
    echo "-- $title"
    if "$WINE" reg query "$@" >"$scratch/reg.txt" 2>&1 </dev/null; then
        tr -d '\r' <"$scratch/reg.txt" | sed '/^$/d; s/^/   /'
    else
        echo "   (none)"
    fi
}

. "$top/tools/prefix-picture.sh"

run_setup() {   # title, arguments...
    local title=$1
    shift
    echo
    echo "== $title: Setup.exe $*"
    rm -f "$temp"/*.log
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
    if [ -n "$log" ]; then
        echo "-- log: $wintemp\\$(basename "$log"), from the command line on"
        tr -d '\r' <"$log" | sed -n '/\]  Parameter : /,$p' | sed 's/^/   /'
    else
        echo "-- no log written"
    fi
    for helper in Kvrun KvDrvInst KVDelAll; do
        if [ -f "$temp/$helper.log" ]; then
            echo "-- helper log: $wintemp\\$helper.log"
            tr -d '\r' <"$temp/$helper.log" | sed 's/^/   /'
        fi
    done
}

pictures="$demo/pictures"
mkdir -p "$pictures"
rm -f "$pictures"/*.png
drive() {   # WinDriver command and words
    "$WINE" "$build/i686/bin/WinDriver.exe" "$@" >"$scratch/driver.txt" 2>&1 </dev/null
}
. "$top/tools/demo-walk.sh"
walk_pictures="$pictures"
walk_wizard() {   # the walk run_setup plays: walk_install or walk_uninstall
    "$walk_what" || echo "-- the walk stopped: $(tr -d '\r' <"$scratch/driver.txt" | tail -n 2)"
    echo "-- the wizard's dialogs, as WinDriver saw them: $pictures"
}

show_result() {
    query "printer queues in the spooler" 'HKLM\System\CurrentControlSet\Control\Print\Printers' /s /reg:64
    echo "-- installed files"
    (cd "$drive_c" && find "Program Files (x86)/Kestrow" -type f 2>/dev/null | sed 's/^/   C:\\/; s|/|\\|g') ||
        echo "   (none)"
    echo "-- shortcuts"
    (cd "$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs" && ls -1 KP-3100*.lnk 2>/dev/null |
        sed 's/^/   Start Menu\\Programs\\/') || echo "   (none)"
    query "Add/Remove entry" 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrow KP-3100 Series' /reg:32
    query "installer records" 'HKLM\Software\Kestrow\Kestrow KP-3100 Installer\Installed' /s /reg:32
}

residue() {   # what, picture folder (default: after): files and registry against the picture before
    local part left=no
    echo
    echo "== Residue after $1 (files and registry against the picture before the install)"
    for part in files HKLM32 HKLM64 HKCU32 HKCU64; do
        if ! diff -u "$scratch/before/$part.txt" "$scratch/${2:-after}/$part.txt" >"$scratch/$part.diff"; then
            echo "-- $part:"
            sed -n '3,40p' "$scratch/$part.diff" | sed 's/^/   /'
            left=yes
        fi
    done
    [ "$left" = no ] && echo "   nothing left: the prefix is as it was before the install, apart from the log files"
    return 0
}

# Wine sets up its display and the spooler's per-user lists the first time a program uses them; a
# start of the product's status monitor (which opens the default printer) does that before the picture.
"$WINE" "$product/data/Utility/KPMonitor.exe" >/dev/null 2>&1 </dev/null || true
picture "$scratch/before"
run_setup "Silent install" /S
show_result
run_setup "Silent uninstall" /S /U
for _ in $(seq 1 120); do                      # the uninstaller removes itself once the installer ended
    find "$temp" -name 'KVDelAll*' | grep -q . || break
    sleep 0.5
done
show_result
picture "$scratch/after"
residue "the uninstall"
walk=yes walk_what=walk_install walk_prefix=install run_setup "Interactive install, played by WinDriver" /L0x0407
show_result
walk=yes walk_what=walk_uninstall walk_prefix=uninstall run_setup "Interactive uninstall, played by WinDriver" /U /L0x0407
for _ in $(seq 1 120); do
    find "$temp" -name 'KVDelAll*' | grep -q . || break
    sleep 0.5
done
show_result
picture "$scratch/after-wizard"
residue "the wizard's uninstall" after-wizard
echo
echo "Demo finished."
