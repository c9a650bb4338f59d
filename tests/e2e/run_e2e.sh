#!/bin/sh
# Runs the end-to-end driver under Wine on the virtual X display that
# display.sh started.
# usage: run_e2e.sh <build folder> <display file> <driver.exe> [driver arguments...]
set -u
build=$1
display_file=$2
shift 2
if [ -f "$display_file" ]; then
  read -r display pid <"$display_file"
  export DISPLAY=":$display"
fi
mkdir -p "$build/test-results/screenshots"
TELVORA_WINE_TIMEOUT=360 exec "$build/wine-run.sh" "$@"
