#!/usr/bin/env bash
# Gives a Wine prefix fonts with the glyphs of every language the installer's products use: Wine's
# own fonts, DejaVu (Latin, Greek, Cyrillic, Hebrew, Arabic) and, where installed, a Japanese font,
# linked behind the dialog fonts so that texts of those scripts render in the dialogs.
#   wine-fonts.sh PREFIX
set -u
prefix=${1:?prefix}
fonts="$prefix/drive_c/windows/Fonts"
mkdir -p "$fonts"
cp -n /usr/share/wine/fonts/*.ttf "$fonts/" 2>/dev/null
cp -n /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf \
    "$fonts/" 2>/dev/null
link="DejaVuSans.ttf,DejaVu Sans"
for japanese in /usr/share/fonts/truetype/vlgothic/VL-Gothic-Regular.ttf \
                /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf; do
    if [ -f "$japanese" ]; then
        cp -n "$japanese" "$fonts/" 2>/dev/null
        link="$link\\0$(basename "$japanese")"
        break
    fi
done
key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
for face in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif" "MS Sans Serif"; do
    WINEDEBUG=-all /usr/lib/wine/wine reg add "$key" /v "$face" /t REG_MULTI_SZ /d "$link" /f \
        >/dev/null 2>&1 </dev/null
done
exit 0
