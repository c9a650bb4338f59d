#!/bin/bash
# The installed package's registry-tool.exe under Wine: it imports a .reg
# file into a scratch key of the build's Wine prefix, exports the key to a new
# file and deletes it; the export must equal the imported file byte for byte.
# usage: wine_run.sh <wine-run.sh> <registry-tool.exe> <work folder>
set -u
wine_run=$1
program=$2
run=$3
[ -f "$program" ] || { echo "FAILED: $program was not built"; exit 1; }
key="HKEY_CURRENT_USER\\Software\\Telvora registry-tool Sınama $$"
rm -rf "$run"
mkdir -p "$run"
printf '%s\r\n' 'REGEDIT4' '' "[$key]" '"Ad"="Çağrı Işık"' '"Veri"=hex:00,7F,FE,FF' '"Sayı"=dword:FFFFFFFE' '' \
  "[$key\\Alt Anahtar]" '@="varsayılan"' '' | iconv -f UTF-8 -t WINDOWS-1254 >"$run/in.reg" || exit 1
TELVORA_WINE_TIMEOUT=120 "$wine_run" "$program" import "Z:$run/in.reg" export "$key" "Z:$run/out.reg" delete "$key" ||
  { echo "FAILED: registry-tool ended with status $?"; exit 1; }
cmp "$run/in.reg" "$run/out.reg" || { echo "FAILED: the export differs from the imported file"; exit 1; }
echo "the export equals the imported file"
