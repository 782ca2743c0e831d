#!/usr/bin/env bash
# Sets up the machine, builds the 32-bit and 64-bit Windows programs and the native sanitizer build,
# and runs every test: Windows tests under Wine in throw-away prefixes, native ones under ASan/UBSan.
# Exit status is non-zero when any build or test fails. The last line sums up all test runs.
# KV_FULL_MATRIX=1 runs the slow matrices in full (see the README's residue check).
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${KV_BUILD_DIR:-$top/build}
jobs=$(nproc 2>/dev/null || echo 2)

"$top/tools/setup.sh" || { echo "setup failed"; exit 1; }

passed=0
failed=0
status=0

run_tree() {   # name, cmake arguments...
    local name=$1
    shift
    local dir="$build/$name"
    echo "== $name: configure and build"
    if ! cmake -S "$top" -B "$dir" "$@" >"$dir.configure.log" 2>&1; then
        cat "$dir.configure.log"
        echo "== $name: configure failed"
        status=1
        return
    fi
    if ! cmake --build "$dir" -j "$jobs" >"$dir.build.log" 2>&1; then
        tail -n 60 "$dir.build.log"
        echo "== $name: build failed"
        status=1
        return
    fi
    grep -i 'warning:' "$dir.build.log" | head -n 20
    echo "== $name: test"
    (cd "$dir" && ctest -j "$jobs" --output-on-failure) >"$dir.test.log" 2>&1
    local rc=$?
    grep -E '(Passed|Failed|\*\*\*|Not Run|Exception|Timeout)' "$dir.test.log" | grep -E '^ *[0-9]+/[0-9]+ Test' \
        | sed 's/^/   /'
    if [ $rc -ne 0 ]; then
        # Show what the failing programs printed.
        sed -n '/The following tests FAILED/,$p' "$dir.test.log"
        grep -B2 -A25 -E '\[  FAILED  \]|Failure' "$dir.test.log" | head -n 200
        status=1
    fi
    local line
    line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$dir.test.log" | tail -n 1)
    echo "   $name: ${line:-no test summary}"
    if [[ $line =~ ([0-9]+)\ tests\ failed\ out\ of\ ([0-9]+) ]]; then
        failed=$((failed + BASH_REMATCH[1]))
        passed=$((passed + BASH_REMATCH[2] - BASH_REMATCH[1]))
    else
        status=1
    fi
}

mkdir -p "$build"
# KV_FULL_MATRIX=1: the slow matrices in full (the demo's residue check in every prefix and version).
full=-DKV_FULL_MATRIX=$([ "${KV_FULL_MATRIX:-0}" = 1 ] && echo ON || echo OFF)
run_tree i686 -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-i686-mingw.cmake" "$full"
run_tree x86_64 -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-x86_64-mingw.cmake"
run_tree native -DKV_NATIVE=ON

echo "Summary: $passed passed, $failed failed"
[ $failed -eq 0 ] || status=1
exit $status
