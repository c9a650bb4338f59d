#!/bin/sh
# Runs the end-to-end driver under Wine on the virtual X display that
# display.sh started, inside a private network namespace when this machine
# gives one: only loopback, a hosts file and a name server of the tests
# (net_responder.py), with certificates made for the run (test_certs.sh), so
# that the program's server check reaches nothing outside. The Wine server (which may create the sockets) and the driver run
# in there; the display is reached through its socket file. Without a
# namespace the driver is told why, starts the program with /nocheck and
# skips the tests of the check.
# usage: run_e2e.sh <build folder> <display file> <driver.exe> [driver arguments...]
set -u
build=$1
display_file=$2
shift 2
export WINEPREFIX="$build/wineprefix"
here=$(cd "$(dirname "$0")" && pwd)
if [ -f "$display_file" ]; then
  read -r display pid <"$display_file"
  export DISPLAY=":$display"
fi

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
    TELVORA_E2E_NETWORK=private exec unshare --net --mount sh "$0" "$build" "$display_file" "$@"
  fi
  echo "note: no private network namespace ($reason): the server check's tests are skipped" >&2
  export TELVORA_E2E_NETWORK="none: $reason"
fi

if [ "$TELVORA_E2E_NETWORK" = private ]; then
  net=$(mktemp -d)
  ip link set lo up || exit 1
  cat /etc/hosts >"$net/hosts"
  for entry in 1:iyi 2:yarim 3:sessiz 4:starttls 5:sifreli 6:baska 7:eski 8:yabanci 10:eksik 11:red 12:karisik \
    13:kirli 14:kalabalik 15:duz; do
    echo "127.0.1.${entry%%:*} mail.${entry#*:}.test" >>"$net/hosts"
  done
  printf 'nameserver 127.0.0.1\noptions timeout:2 attempts:1\n' >"$net/resolv.conf"
  mount --bind "$net/hosts" /etc/hosts || exit 1
  mount --bind "$net/resolv.conf" /etc/resolv.conf || exit 1
  # Wine's chain engine trusts the roots of this bundle, not roots added
  # through its API: the test root joins them before the Wine server starts.
  mkdir "$net/certs"
  sh "$here/test_certs.sh" "$net/certs" mail.iyi.test mail.starttls.test mail.sifreli.test || exit 1
  bundle=/etc/ssl/certs/ca-certificates.crt
  { cat "$bundle"; cat "$net/certs/ca-root.pem"; } >"$net/bundle.crt"
  mount --bind "$net/bundle.crt" "$bundle" || exit 1
  export TELVORA_E2E_NET_LOG="$net/received.log"
  : >"$TELVORA_E2E_NET_LOG"
  python3 "$here/net_responder.py" "$TELVORA_E2E_NET_LOG" "$net/ready" "$net/certs" >"$net/responder.log" 2>&1 </dev/null &
  responder=$!
  i=0
  while [ ! -e "$net/ready" ] && [ $i -lt 100 ] && kill -0 "$responder" 2>/dev/null; do sleep 0.1; i=$((i + 1)); done
  [ -e "$net/ready" ] || { cat "$net/responder.log" >&2; echo "the test network did not start" >&2; exit 1; }
  cleanup() {
    # The Wine server of the namespace goes with it.
    timeout 30 wineserver -k >/dev/null 2>&1 </dev/null
    kill "$responder" 2>/dev/null
    wait "$responder" 2>/dev/null
    rm -rf "$net"
  }
  trap cleanup EXIT INT TERM
fi

mkdir -p "$build/test-results/screenshots"
# Not exec: the namespace's clean-up runs after the driver.
TELVORA_WINE_TIMEOUT=360 "$build/wine-run.sh" "$@"
