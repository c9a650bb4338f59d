#!/bin/sh
# Runs the end-to-end driver under Wine on a virtual X display of its own.
# usage: run_e2e.sh <build folder> <driver.exe> [driver arguments...]
set -u
build=$1
shift
export WINEPREFIX="$build/wineprefix"

# A display number that nobody holds.
display=
for n in $(seq 91 160); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=$n; break; fi
done
[ -n "$display" ] || { echo "no free X display" >&2; exit 1; }

# A Wine server still running from an earlier program may hold a desktop
# made without a display, on which no window of ours would appear: let it
# end first. A persistent one (scripts/test.sh starts one) is waited for
# only briefly; its desktop is made when the first window needs it.
timeout 15 wineserver -w 2>/dev/null

Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null' EXIT INT TERM
i=0
while [ ! -e "/tmp/.X11-unix/X$display" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
export DISPLAY=":$display"

# Without a window manager Wine waits on every hidden window unless it
# manages the windows itself.
TELVORA_WINE_TIMEOUT=120 "$build/wine-run.sh" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
  >/dev/null 2>&1

mkdir -p "$build/test-results/screenshots"
TELVORA_WINE_TIMEOUT=360 "$build/wine-run.sh" "$@"
exit $?
