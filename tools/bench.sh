#!/usr/bin/env bash
# README command 3. Builds the benchmark programs (bench/) with the shipped 32-bit toolchain and the
# profile reader's benchmark with the host compiler (build/bench-native, no sanitizers), runs each
# several times under Wine in a fresh 64-bit prefix with one persistent wineserver (build/bench/wine),
# and prints one table: per figure the median of the installer's side and of the plain side, their
# ratio and the target. Figures that miss their target are marked; nothing here fails on a figure.
#   tools/bench.sh [--quick] [--iterations=N]   --quick: one iteration on small sizes
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${KV_BUILD_DIR:-$top/build}
jobs=$(nproc 2>/dev/null || echo 2)
WINE=/usr/lib/wine/wine
options=(--iterations=5)
for argument in "$@"; do
    case "$argument" in
    --quick) options=(--quick) ;;
    --iterations=*) options=("$argument") ;;
    *) echo "usage: $0 [--quick] [--iterations=N]" >&2; exit 2 ;;
    esac
done

"$top/tools/setup.sh" || { echo "setup failed"; exit 1; }
bench="$build/bench"
mkdir -p "$bench"

windows_programs=(StartupBench CopyBench RecordsBench ProfileBench)
# The item figures come with the item collection: built when its sources exist.
[ -f "$top/src/items/Item.h" ] && windows_programs+=(ItemsBench)

build_tree() {   # directory, log name, targets, -- cmake arguments
    local dir=$1 name=$2
    shift 2
    local targets=()
    while [ $# -gt 0 ] && [ "$1" != -- ]; do targets+=("$1"); shift; done
    shift
    if ! cmake -S "$top" -B "$dir" "$@" >"$bench/$name.configure.log" 2>&1 ||
        ! cmake --build "$dir" -j "$jobs" --target "${targets[@]}" >"$bench/$name.build.log" 2>&1; then
        tail -n 40 "$bench/$name.configure.log" "$bench/$name.build.log" 2>/dev/null
        echo "bench: building $dir failed"
        exit 1
    fi
}

echo "== build: $build/i686 (benchmark programs) and $build/bench-native (profile reader, host compiler)"
build_tree "$build/i686" i686 "${windows_programs[@]}" -- \
    -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-i686-mingw.cmake" -DKV_BUILD_BENCH=ON
build_tree "$build/bench-native" native ProfileBench -- \
    -DKV_NATIVE=ON -DKV_SANITIZE=OFF -DKV_BUILD_TESTS=OFF -DKV_BUILD_BENCH=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo

echo "== Wine: fresh 64-bit prefix in $bench/wine"
"$top/tools/wine-env.sh" setup "$bench/wine" win64 || exit 1
trap '"$top/tools/wine-env.sh" stop "$bench/wine" >/dev/null' EXIT
export WINEPREFIX="$bench/wine/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml="
[ -f "$bench/wine/display" ] && export DISPLAY="$(cat "$bench/wine/display")"

results="$bench/results.txt"
: >"$results"
status=0
run_program() {   # name, command...
    local name=$1
    shift
    echo "== run: $name ${options[*]}"
    # Wine output goes to a file, never a pipe: background Wine processes may hold a pipe open.
    if ! "$@" "${options[@]}" >"$bench/$name.out" 2>&1 </dev/null; then
        echo "bench: $name failed"
        sed 's/^/   /' "$bench/$name.out"
        status=1
    fi
    grep -E '^(ROW|NOTE)\|' "$bench/$name.out" | tr -d '\r' >>"$results"
}

for program in "${windows_programs[@]}"; do
    run_program "$program" "$WINE" "$build/i686/bin/$program.exe"
done
run_program ProfileBench-native "$build/bench-native/bin/ProfileBench" --dir="$bench"
if ! grep -q '^ROW|4a' "$results"; then
    echo "ROW|4a|items: peak private bytes, reading 100 items vs 1|-|-|-|<= 3.0|not yet: no item collection" \
        "in this build" >>"$results"
fi
if ! grep -q '^ROW|4c' "$results"; then
    echo "ROW|4c|items: silent install, 100 items vs 1|-|-|-|<= 5.0|not yet: no install run in this build" >>"$results"
fi

echo
echo "Benchmarks ($(date '+%Y-%m-%d %H:%M'), ${options[*]}, load average $(cut -d' ' -f1-3 /proc/loadavg)):" \
    "installer's side against the plain side, medians"
sort -s -t'|' -k2,2V "$results" | awk -F'|' '
    $1 == "ROW" { n++; for (i = 2; i <= 8; i++) { cell[n, i] = $i; if (length($i) > w[i]) w[i] = length($i) } }
    $1 == "NOTE" { notes[++m] = "  " $2 ": " $3 }
    END {
        split("figure|what is compared|installer|plain|ratio|target|verdict", head, "|")
        for (i = 2; i <= 8; i++) if (length(head[i - 1]) > w[i]) w[i] = length(head[i - 1])
        line = ""
        for (i = 2; i <= 8; i++) line = line sprintf("%-" w[i] "s  ", head[i - 1])
        print line
        for (r = 1; r <= n; r++) {
            line = ""
            for (i = 2; i <= 8; i++) line = line sprintf("%-" w[i] "s  ", cell[r, i])
            print line
        }
        if (m > 0) print "Details:"
        for (k = 1; k <= m; k++) print notes[k]
    }'
exit $status
