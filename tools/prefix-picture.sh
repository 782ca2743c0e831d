# Sourced by the demo scripts: picture FOLDER writes what a Wine prefix holds (WINEPREFIX, run with
# WINE) into FOLDER: its files, without the log files in the users' temporary folders, and its registry
# (HKLM and HKCU in the 32-bit and 64-bit views), without the values Wine rewrites by itself, so that
# two pictures compare with diff.

winepath() { "$WINE" winepath -w "$1" 2>/dev/null </dev/null | tr -d '\r'; }

picture() {   # folder
    local out=$1 view root
    mkdir -p "$out"
    (cd "$WINEPREFIX/drive_c" && find . | grep -v -E '^\./users/[^/]+/(Temp|AppData/Local/Temp)/[^/]+\.log$' | sort) \
        >"$out/files.txt"
    for view in 32 64; do
        for root in HKLM HKCU; do
            "$WINE" reg export "$root" "$(winepath "$out/$root$view.reg")" /reg:$view /y >/dev/null 2>&1 </dev/null
            # Wine rewrites its display adapters' keys and its drivers' dates at every start, its font
            # links and substitutes for the locale it starts in, and the system parameters that input
            # touched in a key of its own; the spooler
            # keeps empty keys for its driver and per-user printer lists once it has used them (every
            # Windows has them). A value left in any of them still shows.
            iconv -f UTF-16LE -t UTF-8 "$out/$root$view.reg" 2>/dev/null | tr -d '\r' |
                awk '/^\[/ { skip = ($0 ~ /\\Control\\Video\\/ || $0 ~ /\\Wine\\Temporary System Parameters\\/ ||
                                   $0 ~ /\\(FontLink\\SystemLink|FontSubstitutes|CurrentVersion\\Fonts)\]$/) }
                     /^\[/ && ($0 ~ /\\Print\\Environments\\[^\\]+\\Drivers(\\Version-[0-9])?\]$/ ||
                                $0 ~ /\\Windows NT\\CurrentVersion\\(Devices|PrinterPorts|Windows)\]$/) { next }
                     !skip && NF && !/^"DriverDateData"=/' >"$out/$root$view.txt"
        done
    done
}
