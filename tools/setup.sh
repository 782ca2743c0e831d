#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian 12 machine.
# Idempotent: when every tool is present it only checks and returns.
set -euo pipefail

need=()
have() { command -v "$1" >/dev/null 2>&1; }

have i686-w64-mingw32-g++-posix    || need+=(g++-mingw-w64-i686)
have x86_64-w64-mingw32-g++-posix  || need+=(g++-mingw-w64-x86-64)
have cmake                         || need+=(cmake)
have g++                           || need+=(g++)
# The fuzz targets (tools/fuzz.sh): clang with its libFuzzer and sanitizer runtimes.
have clang++                       || need+=(clang)
compgen -G '/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a' >/dev/null \
    || need+=(libclang-rt-14-dev)
have Xvfb                          || need+=(xvfb)
have xdotool                       || need+=(xdotool)
[ -x /usr/lib/wine/wine ]          || need+=(wine64 wine32:i386 fonts-wine)
[ -x /usr/lib/wine/wine64 ]        || need+=(wine64)
[ -d /usr/share/wine/fonts ]       || need+=(fonts-wine)
# Dialog texts in Hebrew, Arabic and Japanese need fonts with their glyphs (tools/wine-fonts.sh).
[ -f /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf ] || need+=(fonts-dejavu-core)
[ -f /usr/share/fonts/truetype/vlgothic/VL-Gothic-Regular.ttf ] || need+=(fonts-vlgothic)
[ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
[ -f /usr/lib/i386-linux-gnu/wine/i386-windows/kernel32.dll ] \
    || [ -d /usr/lib/wine/i386-windows ] || need+=(wine32:i386)

if [ ${#need[@]} -eq 0 ]; then
    exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
