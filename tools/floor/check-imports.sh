#!/usr/bin/env bash
# Checks that every function a Windows program or DLL imports is on the list of functions the oldest
# supported systems export. Prints one line per import that is not on the list, naming the binary, the
# DLL and the function, and exits 1 when there is any (2 when a binary cannot be read).
#
#   check-imports.sh OBJDUMP LIST BINARY...
#
# LIST lines: "DLL Function  ; why it is allowed". DLL names compare without regard to case; '#' starts
# a comment line. Imports by ordinal are never allowed (they differ between system versions). The
# subsystem version the binary asks for must be 4 or earlier (5 for 64-bit binaries).
set -uo pipefail
if [ $# -lt 3 ]; then
    echo "usage: $0 OBJDUMP LIST BINARY..." >&2
    exit 2
fi
objdump=$1
list=$2
shift 2

allowed=$(sed -e 's/[;#].*//' "$list" | awk 'NF >= 2 { print tolower($1) " " $2 }' | sort -u)
status=0
for binary in "$@"; do
    if ! dump=$("$objdump" -p "$binary" 2>&1); then
        echo "$binary: cannot be read: $dump"
        status=2
        continue
    fi
    imports=$(awk '
        /^[ \t]*DLL Name:/ { dll = tolower($3); next }
        /^[ \t]*$/ { dll = ""; next }
        /^[ \t]*vma:/ { next }
        dll != "" && /^[ \t]+[0-9a-f]+[ \t]+[0-9]+[ \t]+[^ \t]+/ { print dll " " $3; next }
        dll != "" && /^[ \t]+[0-9a-f]+[ \t]+<none>/ { print dll " #ordinal-" $3; next }
    ' <<<"$dump" | sort -u)
    # The systems refuse a program that asks for a later subsystem version than their own: 4 for the
    # oldest 32-bit ones, 5 (5.2) for the first 64-bit ones.
    limit=4
    grep -q '^Magic.*PE32+' <<<"$dump" && limit=5
    subsystem=$(awk '/^MajorSubsystemVersion/ { print $2 }' <<<"$dump")
    if [ -n "$subsystem" ] && [ "$subsystem" -gt "$limit" ]; then
        echo "$(basename "$binary"): subsystem version $subsystem is later than $limit"
        status=1
    fi
    if [ -z "$imports" ]; then
        if grep -q 'DLL Name:' <<<"$dump"; then
            echo "$binary: its import table could not be read"
            status=2
        fi
        continue                                         # a resource library imports nothing
    fi
    bad=$(comm -23 <(echo "$imports") <(echo "$allowed"))
    if [ -n "$bad" ]; then
        while read -r dll function; do
            echo "$(basename "$binary"): $dll $function is not exported by the oldest supported systems"
        done <<<"$bad"
        [ $status -eq 0 ] && status=1
    fi
done
if [ $status -eq 0 ]; then
    echo "every import of $# binaries is on $(basename "$list")"
fi
exit $status
