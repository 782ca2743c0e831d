#!/usr/bin/env bash
# README command 4. Builds the shipped 32-bit programs and lays out the shippable demo product in
# build/package/Kestrow-KP-3100 (Setup.exe and the helpers stripped, the product's files beside them),
# then archives it as build/package/Kestrow-KP-3100.zip (a .tar.gz when zip is missing).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${KV_BUILD_DIR:-$top/build}

"$top/tools/setup.sh"
cmake -S "$top" -B "$build/i686" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-i686-mingw.cmake" >/dev/null
cmake --build "$build/i686" -j "$(nproc)" --target Setup kv_helper_install kv_helper_utility kv_helper_network \
      kv_helper_setip kv_helper_diagnosis kv_helper_preinstall kv_helper_remote kv_helper_uninstaller \
      kv_helper_viewer kv_helper_simulator kv_helper_driver kv_demo_monitor KVres >/dev/null

package="$build/package"
product="$package/Kestrow-KP-3100"
mkdir -p "$package"
"$top/tools/layout-product.sh" "$build/i686/bin" "$product"
find "$product" \( -name '*.exe' -o -name '*.dll' \) -exec i686-w64-mingw32-strip --strip-all {} +

rm -f "$package"/Kestrow-KP-3100.zip "$package"/Kestrow-KP-3100.tar.gz
if command -v zip >/dev/null; then
    archive="$package/Kestrow-KP-3100.zip"
    (cd "$package" && zip -qr "$archive" Kestrow-KP-3100)
else
    archive="$package/Kestrow-KP-3100.tar.gz"
    tar -C "$package" -czf "$archive" Kestrow-KP-3100
fi

echo "Product folder: $product"
(cd "$product" && find . -type f | sort | while read -r file; do
    printf '  %8d  %s\n' "$(stat -c %s "$file")" "${file#./}"
done)
echo "Setup.exe: $(stat -c %s "$product/Setup.exe") bytes (stripped)"
echo "Archive: $archive ($(stat -c %s "$archive") bytes)"
