#!/bin/sh
# Runs the end-to-end driver under Wine on a virtual X display of its own,
# inside a private network namespace when this machine gives one: only
# loopback, a hosts file and a name server of the tests (net_responder.py),
# so that the program's server check reaches nothing outside. The Wine
# server (which may create the sockets), the display and the driver all run
# in there. Without a namespace the driver is told why, starts the program
# with /nocheck and skips the tests of the check.
# usage: run_e2e.sh <build folder> <driver.exe> [driver arguments...]
set -u
build=$1
shift
export WINEPREFIX="$build/wineprefix"
here=$(cd "$(dirname "$0")" && pwd)

if [ -z "${TELVORA_E2E_NETWORK:-}" ]; then
  reason=
  if [ "$(id -u)" -ne 0 ]; then
    reason="not root"
  elif ! command -v unshare >/dev/null 2>&1 || ! command -v ip >/dev/null 2>&1; then
    reason="unshare or ip missing"
  elif ! command -v python3 >/dev/null 2>&1; then
    reason="python3 missing"
  elif ! unshare --net --mount true 2>/dev/null; then
    reason="unshare --net --mount refused"
  fi
  if [ -z "$reason" ]; then
    # A Wine server started outside would make the sockets outside.
    timeout 30 wineserver -k >/dev/null 2>&1 </dev/null
    timeout 30 wineserver -w >/dev/null 2>&1 </dev/null
    TELVORA_E2E_NETWORK=private exec unshare --net --mount sh "$0" "$build" "$@"
  fi
  echo "note: no private network namespace ($reason): the server check's tests are skipped" >&2
  export TELVORA_E2E_NETWORK="none: $reason"
fi

if [ "$TELVORA_E2E_NETWORK" = private ]; then
  net=$(mktemp -d)
  ip link set lo up || exit 1
  { cat /etc/hosts
    echo "127.0.1.1 mail.iyi.test"
    echo "127.0.1.2 mail.yarim.test"
    echo "127.0.1.3 mail.sessiz.test"; } >"$net/hosts"
  printf 'nameserver 127.0.0.1\noptions timeout:2 attempts:1\n' >"$net/resolv.conf"
  mount --bind "$net/hosts" /etc/hosts || exit 1
  mount --bind "$net/resolv.conf" /etc/resolv.conf || exit 1
  export TELVORA_E2E_NET_LOG="$net/received.log"
  : >"$TELVORA_E2E_NET_LOG"
  python3 "$here/net_responder.py" "$TELVORA_E2E_NET_LOG" "$net/ready" >"$net/responder.log" 2>&1 &
  responder=$!
  i=0
  while [ ! -e "$net/ready" ] && [ $i -lt 100 ] && kill -0 "$responder" 2>/dev/null; do sleep 0.1; i=$((i + 1)); done
  [ -e "$net/ready" ] || { cat "$net/responder.log" >&2; echo "the test network did not start" >&2; exit 1; }
fi

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
cleanup() {
  kill "$xvfb" 2>/dev/null
  wait "$xvfb" 2>/dev/null
  if [ -n "${responder:-}" ]; then
    # The Wine server of the namespace goes with it.
    timeout 30 wineserver -k >/dev/null 2>&1 </dev/null
    kill "$responder" 2>/dev/null
    wait "$responder" 2>/dev/null
    rm -rf "$net"
  fi
}
trap cleanup EXIT INT TERM
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
