#!/usr/bin/env bash
# Pictures of every dialog of the demo product in each of its languages, as PNG files in
# build/pictures/ (README): each language installs the product through its wizard and removes it again. Sets up the machine, builds Setup.exe, the helpers, the demo's resource
# library and WinDriver, lays the demo product out in build/pictures/product and runs it under Wine in a
# throw-away 64-bit prefix with an Xvfb display of its own; WinDriver walks through the wizard and
# saves what each window shows. Each language runs with the system language of its own code page
# (Hebrew texts are 8-bit text in code page 1255, Japanese ones double-byte text in code page 932).
# ~/.wine is never touched.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${KV_BUILD_DIR:-$top/build}
WINE=/usr/lib/wine/wine

"$top/tools/setup.sh"
cmake -S "$top" -B "$build/i686" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-i686-mingw.cmake" >/dev/null
cmake --build "$build/i686" -j "$(nproc)" --target Setup kv_helper_install kv_helper_utility kv_helper_network \
      kv_helper_setip kv_helper_diagnosis kv_helper_preinstall kv_helper_remote kv_helper_uninstaller \
      kv_helper_viewer kv_helper_simulator kv_helper_driver kv_demo_monitor KVres WinDriver >/dev/null

work="$build/pictures"
out="$work"
product="$work/product"
rm -rf "$work/wine"
rm -f "$out"/*.png
# The whole product with its helpers: the wizard opens only when the product has an item to offer.
"$top/tools/layout-product.sh" "$build/i686/bin" "$product"
cp "$build/i686/bin/WinDriver.exe" "$product/"
# Filler files make the copy last long enough to be seen (and its cancel question asked); they are
# installed and removed with the product.
mkdir -p "$product/data/filler"
for n in $(seq 1 3000); do echo "filler $n" >"$product/data/filler/file$n.txt"; done
# No printer in the device simulation: the wizard waits in its connection dialog, Next asks.
printf '[DEVICE]\r\nCONNECTED=0\r\n' >"$product/data/Kvutil.ini"

"$top/tools/wine-env.sh" setup "$work/wine" win64 >/dev/null
trap '"$top/tools/wine-env.sh" stop "$work/wine"' EXIT
export WINEPREFIX="$work/wine/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml="
[ -f "$work/wine/display" ] && export DISPLAY="$(cat "$work/wine/display")"
"$top/tools/wine-fonts.sh" "$WINEPREFIX"

frame="Kestrow KP-3100 Installer Installer Program"
scratch="$work/scratch"
mkdir -p "$scratch"
drive() {   # WinDriver command and words; output to a file, never a pipe
    (cd "$product" && "$WINE" WinDriver.exe "$@" >"$scratch/driver.txt" 2>&1 </dev/null)
}
picture() {   # window, name
    drive picture "$1" "Z:$out/$2.png" && echo "  $out/$2.png"
}

# language id, abbreviation, locale
for language in "0x0409 EN en_US.UTF-8" "0x0407 GR de_DE.UTF-8" "0x040D HB he_IL.UTF-8" "0x0411 JP ja_JP.UTF-8"; do
    set -- $language
    id=$1 abbr=$2 locale=$3
    echo "$abbr:"
    (cd "$product" && env LC_ALL="$locale" LANG="$locale" "$WINE" Setup.exe "/L$id" >"$scratch/setup.txt" 2>&1 \
        </dev/null) &
    setup=$!
    drive waittext "$frame" "#3401"                          # the welcome dialog's second link
    picture "$frame" "${abbr}_1_welcome"
    drive hover "$frame" "#3400"
    drive waittext "$frame" "#3400"
    picture "$frame" "${abbr}_2_welcome_description"
    picture "Kestrow KP-3100 Series" "${abbr}_0_screen"
    drive key "$frame" altf4
    drive wait "#32770"
    picture "Kestrow KP-3100 Installer" "${abbr}_3_cancel_question"
    drive click "Kestrow KP-3100 Installer" "#1"             # Resume
    drive click "$frame" "#1"                                 # Next
    drive waittext "$frame" "#1086"                           # the licence text
    picture "$frame" "${abbr}_4_licence"
    drive click "$frame" "#1084"                              # I accept
    drive click "$frame" "#1004"                              # Next
    drive waittext "$frame" "#1055"                           # the setup types
    drive click "$frame" "#1055"                              # Custom
    picture "$frame" "${abbr}_5_setup_type"
    drive click "$frame" "#1004"                              # Next
    drive waittext "$frame" "#1009"                           # the item list
    picture "$frame" "${abbr}_6_items"
    drive click "$frame" "#1004"                              # Next
    drive waittext "$frame" "#3501"
    picture "$frame" "${abbr}_7_ready"
    drive click "$frame" "#2"                                 # Install
    drive waittext "$frame" "#1004"                           # the printer connection: its Next
    picture "$frame" "${abbr}_8_device"
    drive click "$frame" "#1004"                              # Next with no printer: the question
    drive wait "Kestrow KP-3100 Installer"
    picture "Kestrow KP-3100 Installer" "${abbr}_8_device_question"
    drive click "Kestrow KP-3100 Installer" "#1202"           # No: on without the printer
    drive waittext "$frame" "#3501"
    picture "$frame" "${abbr}_8_no_printer"
    drive click "$frame" "#2"                                 # Next
    drive waittext "$frame" "#1029"                           # the copy: the file being copied
    picture "$frame" "${abbr}_8_copy"
    drive click "$frame" "#1028"                              # Cancel: the copy waits for the answer
    drive wait "Kestrow KP-3100 Installer"
    picture "Kestrow KP-3100 Installer" "${abbr}_8_copy_cancel_question"
    drive click "Kestrow KP-3100 Installer" "#1"              # Resume
    drive waittext "$frame" "#1064" 120000                    # the install run
    picture "$frame" "${abbr}_9_install"
    drive waittext "$frame" "#1019" 120000                    # the end
    picture "$frame" "${abbr}_10_finish"
    drive click "$frame" "#1019"                              # Finish
    wait "$setup" || true

    (cd "$product" && env LC_ALL="$locale" LANG="$locale" "$WINE" Setup.exe "/L$id" /U >"$scratch/setup.txt" \
        2>&1 </dev/null) &
    setup=$!
    drive waittext "$frame" "#3501"
    picture "$frame" "${abbr}_11_uninstall"
    drive click "$frame" "#2"                                 # Next
    drive waittext "$frame" "#1009"                           # the installed components
    picture "$frame" "${abbr}_12_remove"
    drive click "$frame" "#1004"                              # Remove
    drive waittext "$frame" "#1064" 120000
    picture "$frame" "${abbr}_13_removing"
    drive waittext "$frame" "#1019" 120000
    picture "$frame" "${abbr}_14_uninstall_finish"
    drive click "$frame" "#1019"                              # Finish
    wait "$setup" || true
    for _ in $(seq 1 120); do                                 # the uninstaller removes itself at the end
        find "$WINEPREFIX/drive_c/users" -name 'KVDelAll*' | grep -q . || break
        sleep 0.5
    done
done
echo "Pictures of the demo product's dialogs are in $out"
