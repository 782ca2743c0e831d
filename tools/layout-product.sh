#!/usr/bin/env bash
# Lays the demo product out in a folder: the product's files (demo/), Setup.exe beside them and the
# helper libraries and programs where Setup.dat names them. Usage: layout-product.sh BIN_DIR OUT_DIR
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bin=$1
out=$2

rm -rf "$out"
mkdir -p "$out"
cp -r "$top/demo/." "$out/"
cp "$bin/Setup.exe" "$bin/KVres.dll" "$out/"
for file in Kvrun.dll Kvutil.dll KvNetMan.dll Setip.dll Kvdiag.dll KVpre.dll Kvrmtint.dll \
            KVDelAll.exe Kvopen.exe KvPrnSim.exe; do
    cp "$bin/$file" "$out/data/"
done
cp "$bin/KvDrvInst.exe" "$out/data/Driver/"
mkdir -p "$out/data/Utility"
cp "$bin/KPMonitor.exe" "$out/data/Utility/"
