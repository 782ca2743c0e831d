#!/usr/bin/env bash
# The demo product installed by a person, checked against a silent install. In a fresh Wine prefix
# presented as one Windows version: a picture of the file system and the registry (HKLM in both views,
# HKCU); a silent install of every component and a picture of what it left; a silent uninstall, after
# which the prefix must be as before (the residue check of demo-residue.sh); then
# the same install through the wizard, walked by WinDriver with real input in English, whose picture
# must equal the silent one; then an uninstall through the wizard in a second language, after which the
# prefix must be as before. Only the log files in the temporary folder and Wine's own per-start values
# may differ.
# With "restart" as the last argument, a copy of the product whose finish dialog offers a restart is
# then installed once more through the wizard with "Restart now": the run must end with 3010 and ask
# Windows to restart (in this throw-away prefix Wine then ends its programs as for a restart, so the
# run's exit code is read from its log's last line).
#   demo-interactive.sh PRODUCT_DIR WORK_DIR win64|win32 VERSION LANGUAGE_ID LOCALE WINDRIVER [restart]
#   (exit 0: the walks ended with their exit codes and the comparisons found no difference)
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
product=${1:?product folder}
work=${2:?work folder}
arch=${3:?win64 or win32}
version=${4:?Windows version}
language=${5:?language id of the uninstall, e.g. 0x0407}
locale=${6:?locale of the uninstall, e.g. de_DE.UTF-8}
windriver=${7:?WinDriver.exe}
restart=${8:-}
WINE=/usr/lib/wine/wine

rm -rf "$work"
mkdir -p "$work"
"$top/tools/wine-env.sh" setup "$work/wine" "$arch" >/dev/null || exit 1
trap '"$top/tools/wine-env.sh" stop "$work/wine"' EXIT
export WINEPREFIX="$work/wine/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml="
[ -f "$work/wine/display" ] && export DISPLAY="$(cat "$work/wine/display")"
"$top/tools/wine-fonts.sh" "$WINEPREFIX" >/dev/null 2>&1
for program in Setup.exe KvDrvInst.exe KVDelAll.exe KPMonitor.exe Kvopen.exe; do
    "$WINE" reg add "HKCU\\Software\\Wine\\AppDefaults\\$program" /v Version /d "$version" /f >/dev/null 2>&1 </dev/null
done

. "$top/tools/prefix-picture.sh"
drive() {   # WinDriver command and words; output to a file, never a pipe
    "$WINE" "$windriver" "$@" >"$work/driver.txt" 2>&1 </dev/null
}
walk_pictures="$work/pictures"
mkdir -p "$walk_pictures"
. "$top/tools/demo-walk.sh"

status=0
expect() {   # what, wanted exit code, actual exit code
    echo "$1: exit code $3"
    if [ "$3" != "$2" ]; then
        echo "  expected $2"
        status=1
    fi
}
run() {   # arguments...
    local rc=0
    (cd "$product" && "$WINE" Setup.exe "$@" >"$work/run.txt" 2>&1 </dev/null) || rc=$?
    echo $rc
}
walked() {   # walk function, locale, arguments...: Setup.exe run while the walk plays the person
    local walk=$1 runLocale=$2
    shift 2
    local rc=0
    (cd "$product" && env LC_ALL="$runLocale" LANG="$runLocale" "$WINE" Setup.exe "$@" >"$work/run.txt" 2>&1 \
        </dev/null) &
    local setup=$!
    if ! "$walk"; then
        echo "The walk $walk stopped: $(tr -d '\r' <"$work/driver.txt" | tail -n 3)"
        drive picture "$walk_frame" "Z:$walk_pictures/stopped_$walk.png"
        drive key "$walk_frame" altf4
    fi
    wait "$setup" || rc=$?
    echo $rc
}
wait_uninstaller() {   # the uninstaller removes its copy and batch file once the installer has ended
    for _ in $(seq 1 300); do
        find "$WINEPREFIX/drive_c/users" -name 'KVDelAll*' ! -name '*.log' | grep -q . || break
        sleep 0.2
    done
}
# The installer's records say how the components were chosen (Install_Type: the silent key or the
# setup type the person chose) and, after a wizard, which kind of run it was (Setup_Type); the
# comparison of the two installs leaves those two values out, and nothing else.
# The wizard waits for the printer and puts its queue on the port the device reports (the device
# simulation's LPT1:); a silent run asks no device and uses the default port (FILE: under Wine). The
# comparison of the two installs takes the two ports as one.
without_choice() {   # picture file
    grep -v -E '^"(Install_Type|Setup_Type)"=' "$1" | if [ -n "${same_port:-}" ]; then sed 's/LPT1:/FILE:/g'; else cat; fi
}
compare() {   # first picture, second picture, what
    local part
    for part in files HKLM32 HKLM64 HKCU32 HKCU64; do
        if ! diff -u <(without_choice "$1/$part.txt") <(without_choice "$2/$part.txt") >"$work/$3-$part.diff"; then
            echo "$3: $part differs ($arch prefix, $version):"
            sed -n '3,40p' "$work/$3-$part.diff"
            status=1
        fi
    done
}
keep_log() {   # name
    local log
    log=$(ls "$WINEPREFIX"/drive_c/users/*/Temp/Setup.exe*.log 2>/dev/null | head -n 1)
    [ -n "$log" ] && mv "$log" "$work/$1.log"
}

"$WINE" "$product/data/Utility/KPMonitor.exe" >/dev/null 2>&1 </dev/null
picture "$work/before"
expect "Silent install" 0 "$(run /S)"
keep_log silent-install
picture "$work/silent"
expect "Silent uninstall" 0 "$(run /S /U)"
keep_log silent-uninstall
wait_uninstaller
picture "$work/silent-after"
compare "$work/before" "$work/silent-after" "silent-uninstall"
walk_prefix=install expect "Interactive install (English)" 0 "$(walked walk_install en_US.UTF-8 /L0x0409)"
keep_log interactive-install
picture "$work/interactive"
same_port=1 compare "$work/silent" "$work/interactive" "interactive-install"
if ! grep -q -F '"device"="Kestrow KP-3100,wineps.drv,LPT1:"' "$work/interactive/HKCU32.txt" "$work/interactive/HKCU64.txt"; then
    echo "interactive-install: the printer is not the default queue on the device's port LPT1: ($arch prefix, $version)"
    status=1
fi
walk_prefix=uninstall expect "Interactive uninstall ($language)" 0 \
    "$(walked walk_uninstall "$locale" /U "/L$language")"
keep_log interactive-uninstall
wait_uninstaller
picture "$work/after"
compare "$work/before" "$work/after" "interactive-uninstall"
[ $status -eq 0 ] && echo "The wizard installed and removed the product as the silent runs do ($arch prefix, $version)"

# The finish dialog with the two restart radios, "now" chosen at first.
walk_restart_now() {
    drive waittext "$walk_frame" "#3401" && walk_click "#1" && drive waittext "$walk_frame" "#1086" &&
    walk_click "#1084" && walk_click "#1004" && drive waittext "$walk_frame" "#1055" && walk_click "#1004" &&
    drive waittext "$walk_frame" "#3501" && walk_click "#2" &&
    drive waittext "$walk_frame" "#1070" 120000 && walk_picture 9_finish_restart && walk_click "#1019"
}
if [ "$restart" = restart ]; then
    copy="$work/restart-product"
    rm -rf "$copy"
    cp -r "$product" "$copy"
    sed -i 's/^\[FINISH\.END\]\r\?$/&\nFIXED_RADIO_REBOOT = RADIO.RESTART_NOW\nFIXED_RADIO_NO_REBOOT = RADIO.RESTART_LATER/' \
        "$copy/data/kvinst.kvi"
    printf '\n[RADIO.RESTART_NOW]\nPOSITION = 16,170\nSIZE = 488,20\nNAME = Restart now\nBACK_COLOR = 240,240,240\n' \
        >>"$copy/data/kvinst.kvi"
    printf '\n[RADIO.RESTART_LATER]\nPOSITION = 16,194\nSIZE = 488,20\nNAME = Restart later\nBACK_COLOR = 240,240,240\n' \
        >>"$copy/data/kvinst.kvi"
    product=$copy
    # Wine ends the session's programs as a restart would, Setup.exe among them once it has asked: the
    # run's own exit code is the last line of its log.
    echo "Interactive install, restart now: process exit code $(walked walk_restart_now en_US.UTF-8 /L0x0409)"
    keep_log restart-install
    ending=$(tr -d '\r' <"$work/restart-install.log" | tail -n 2)
    if echo "$ending" | grep -q "Restart of Windows requested" &&
        echo "$ending" | grep -q "Exit code 3010"; then
        echo "The run ended with 3010 and asked Windows to restart"
    else
        echo "The run did not end with 3010 and a restart request: $ending"
        status=1
    fi
fi
exit $status
