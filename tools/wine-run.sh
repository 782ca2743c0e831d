#!/usr/bin/env bash
# Runs one Windows test program in a prefix made by wine-env.sh.
#   wine-run.sh DIR i686|x86_64 [--version=V] [--lang=L] -- PROGRAM [ARGS...]
# --version runs a copy of the program, <program>_<prefix>_<V>.exe, that Wine presents as version V;
# --lang sets the system language through the process locale (de_DE.UTF-8 gives 0x0407).
# A GoogleTest program passes only when it exits 0 and printed its PASSED line, since after a crash
# Wine's exit status is not reliable.
set -u
dir=${1:?directory}
arch=${2:?architecture}
shift 2
version=""
lang=""
while [ $# -gt 0 ]; do
    case "$1" in
    --version=*) version=${1#--version=} ;;
    --lang=*) lang=${1#--lang=} ;;
    --) shift; break ;;
    *) break ;;
    esac
    shift
done
program=${1:?program}
shift

export WINEPREFIX="$dir/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml="
[ -f "$dir/display" ] && export DISPLAY="$(cat "$dir/display")" || unset DISPLAY
[ -n "$lang" ] && export LC_ALL="$lang" LANG="$lang"
loader=/usr/lib/wine/wine
[ "$arch" = x86_64 ] && loader=/usr/lib/wine/wine64

if [ -n "$version" ]; then
    # The copy's name carries the prefix too: the runs of one version in the 64-bit and the 32-bit
    # prefix may run at the same time, and must not replace each other's copy. The version stays the
    # last part of the name, where a test program can read it.
    copy="${program%.exe}_$(basename "$dir")_$version.exe"
    cp -p "$program" "$copy"
    "$loader" reg add "HKCU\\Software\\Wine\\AppDefaults\\$(basename "$copy")" /v Version /d "$version" /f \
        >/dev/null 2>&1 </dev/null
    program="$copy"
fi

# Output goes to a file, never a pipe: background Wine processes may inherit and hold a pipe open.
out=$(mktemp)
"$loader" "$program" "$@" >"$out" 2>&1 </dev/null
rc=$?
cat "$out"
if [ $rc -eq 0 ] && grep -q '^\[==========\] Running' "$out" && ! grep -q '^\[  PASSED  \]' "$out"; then
    echo "wine-run: the test program ended without its PASSED line" >&2
    rc=1
fi
rm -f "$out"
exit $rc
