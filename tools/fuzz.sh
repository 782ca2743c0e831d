#!/usr/bin/env bash
# Runs the libFuzzer targets, every one or those named, for SECONDS each: a native build with clang
# under AddressSanitizer and UndefinedBehaviorSanitizer (build/fuzz), each target started from its seed
# corpus in the repository (tests/<folder>/corpus/<Target>/) and growing its own corpus in
# build/fuzz/corpus/<Target>/. An input that makes a target fail is kept in build/fuzz/findings/<Target>/
# (earlier findings stay there) and the script fails; the last lines give each target's executions and
# the findings of this run.
#
#   tools/fuzz.sh SECONDS [TARGET...]        e.g. tools/fuzz.sh 300, tools/fuzz.sh 60 ProfileFuzz
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/fuzz"

if [ $# -lt 1 ] || ! [[ "$1" =~ ^[0-9]+$ ]] || [ "$1" -lt 1 ]; then
    echo "usage: tools/fuzz.sh SECONDS [TARGET...]" >&2
    exit 2
fi
seconds="$1"
shift

"$root/tools/setup.sh"

# Every target is a tests/<folder>/<Target>.cpp whose name ends in Fuzz.
declare -A sources=()
while IFS= read -r file; do
    sources["$(basename "$file" .cpp)"]="$file"
done < <(find "$root/tests" -name '*Fuzz.cpp' | sort)

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    mapfile -t targets < <(printf '%s\n' "${!sources[@]}" | sort)
fi
for target in "${targets[@]}"; do
    if [ -z "${sources[$target]:-}" ]; then
        echo "No fuzz target $target (known: ${!sources[*]})" >&2
        exit 2
    fi
done

mkdir -p "$build"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DKV_NATIVE=ON -DKV_SANITIZE=ON -DKV_BUILD_BENCH=OFF \
    >"$build/configure.log" 2>&1 || { cat "$build/configure.log"; exit 1; }
cmake --build "$build" -j2 -t "${targets[@]}" >"$build/build.log" 2>&1 || { tail -40 "$build/build.log"; exit 1; }

failed=0
summary=()
for target in "${targets[@]}"; do
    seeds="$(dirname "${sources[$target]}")/corpus/$target"
    corpus="$build/corpus/$target"
    findings="$build/findings/$target"
    mkdir -p "$corpus" "$findings"
    log="$build/$target.log"
    started="$build/$target.started"
    : >"$started"
    status=0
    # ASan's leak check runs at the end of each run; UBSan stops at its first report (-fno-sanitize-recover).
    "$build/bin/$target" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$findings/" \
        "$corpus" "$seeds" >"$log" 2>&1 || status=$?
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
    found="$(find "$findings" -type f -newer "$started" | wc -l)"
    summary+=("$target: ${runs:-?} executions in ${seconds} s, $found finding(s), exit $status")
    if [ "$status" -ne 0 ] || [ "$found" -ne 0 ]; then
        failed=1
        echo "== $target found a fault; its input is in $findings, the report in $log" >&2
        grep -m 20 -E 'ERROR|SUMMARY|runtime error' "$log" >&2 || true
    fi
done

printf '%s\n' "${summary[@]}"
exit "$failed"
