#!/usr/bin/env bash
# Builds the benchmark of the Windows build, prepares its Wine prefix (once)
# and runs it: our registry export and import against the system's registry
# editor, and the same work on the emulated registry.
#   scripts/bench.sh [repetitions]
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
cmake --preset windows >/dev/null
cmake --build --preset windows --target registry_benchmark -j2 >/dev/null

build=$root/build/windows
if [ ! -d "$build/wineprefix/drive_c" ]; then
  (
    cd "$build"
    export WINEPREFIX=$PWD/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=tr_TR.UTF-8
    timeout 120 wineboot -i >/dev/null 2>&1 </dev/null || true
    wineserver -p >/dev/null 2>&1 </dev/null || true
  )
fi

TELVORA_WINE_TIMEOUT=1800 "$build/wine-run.sh" "$build/bin/registry_benchmark.exe" "${1:-5}"
