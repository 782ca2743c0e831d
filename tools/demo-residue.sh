#!/usr/bin/env bash
# The demo product's residue check: in a fresh Wine prefix presented as one Windows version, takes a
# picture of the file system and the registry (HKLM in both views, HKCU), installs the laid-out
# product silently, uninstalls it silently, waits for the uninstaller to remove itself, and compares.
# Only the log files in the temporary folder and Wine's own per-start values may differ.
# Usage: demo-residue.sh PRODUCT_DIR WORK_DIR win64|win32 VERSION   (exit 0: nothing left)
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
product=${1:?product folder}
work=${2:?work folder}
arch=${3:?win64 or win32}
version=${4:?Windows version}
WINE=/usr/lib/wine/wine

"$top/tools/wine-env.sh" setup "$work/wine" "$arch" >/dev/null || exit 1
trap '"$top/tools/wine-env.sh" stop "$work/wine"' EXIT
export WINEPREFIX="$work/wine/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml="
[ -f "$work/wine/display" ] && export DISPLAY="$(cat "$work/wine/display")"
# Every program of the product presents the version; the tools used for the pictures do not.
for program in Setup.exe KvDrvInst.exe KVDelAll.exe KPMonitor.exe Kvopen.exe; do
    "$WINE" reg add "HKCU\\Software\\Wine\\AppDefaults\\$program" /v Version /d "$version" /f >/dev/null 2>&1 </dev/null
done

. "$top/tools/prefix-picture.sh"

run() {   # arguments...
    local rc=0
    (cd "$product" && "$WINE" Setup.exe "$@" >"$work/run.txt" 2>&1 </dev/null) || rc=$?
    echo "Setup.exe $*: exit code $rc"
    return $rc
}

# Wine sets up its display and the spooler's per-user lists the first time a program uses them; a
# start of the product's status monitor (which opens the default printer) does that before the picture.
"$WINE" "$product/data/Utility/KPMonitor.exe" >/dev/null 2>&1 </dev/null
picture "$work/before"
run /S || exit 1
run /S /U || exit 1
# The uninstaller's copy and the batch file that deletes it once it has ended; its log stays (the
# pictures leave the temporary folder's logs out), so it is no sign that the uninstaller still runs.
for _ in $(seq 1 300); do
    find "$WINEPREFIX/drive_c/users" -name 'KVDelAll*' ! -name '*.log' | grep -q . || break
    sleep 0.2
done
picture "$work/after"
status=0
for part in files HKLM32 HKLM64 HKCU32 HKCU64; do
    if ! diff -u "$work/before/$part.txt" "$work/after/$part.txt" >"$work/$part.diff"; then
        echo "Residue in $part ($arch prefix, $version):"
        sed -n '3,40p' "$work/$part.diff"
        status=1
    fi
done
[ $status -eq 0 ] && echo "No residue ($arch prefix, $version): files and registry as before the install"
exit $status
