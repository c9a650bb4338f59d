#!/bin/sh
# The virtual X display of the end-to-end tests, kept for all of them.
# usage: display.sh start|stop <build folder>; <build>/e2e-display holds the
# display's number and the X server's process id while it runs, and the
# build's wine-run.sh takes the display from there.
#
# Wine makes its desktop on the display that its server's first program
# finds, so the prefix's server is stopped on either side: the next program
# starts one on the display, and after it one without.
set -u
action=$1
build=$2
file=$build/e2e-display

stop_wine_server() {
  WINEPREFIX="$build/wineprefix" timeout 30 wineserver -k >/dev/null 2>&1 </dev/null
  WINEPREFIX="$build/wineprefix" timeout 30 wineserver -w >/dev/null 2>&1 </dev/null
}

if [ "$action" = stop ]; then
  [ -f "$file" ] || exit 0
  read -r display pid <"$file"
  rm -f "$file"
  stop_wine_server
  kill "$pid" 2>/dev/null
  exit 0
fi

# A display number that nobody holds.
display=
for n in $(seq 91 160); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=$n; break; fi
done
[ -n "$display" ] || { echo "no free X display" >&2; exit 1; }

# Detached, with its streams away from ctest's pipes.
setsid Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
pid=$!
i=0
while [ ! -e "/tmp/.X11-unix/X$display" ] && [ $i -lt 200 ]; do sleep 0.1; i=$((i + 1)); done
[ -e "/tmp/.X11-unix/X$display" ] || { echo "Xvfb :$display did not start" >&2; kill "$pid"; exit 1; }
echo "$display $pid" >"$file"
echo "display :$display (Xvfb $pid)"
stop_wine_server
# Without a window manager Wine waits on every hidden window unless it
# manages the windows itself.
TELVORA_WINE_TIMEOUT=120 "$build/wine-run.sh" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
  >/dev/null 2>&1 </dev/null
