#!/usr/bin/env bash
# Builds the benchmarks and runs them: the server check natively and under
# Wine, then the registry's export and import against the system's registry
# editor, and the same work on the emulated registry, under Wine.
#   scripts/bench.sh [repetitions]      (of the registry benchmark; default 5)
#
# The server check is timed against servers on loopback that answer at once
# and ones that stay silent, through a resolver of the benchmark's; as root it
# is timed once more through the system's resolver in a private network
# (unshare) whose hosts file names mail.telvora-bench.test 127.0.0.1, whose
# servers listen on 110 and 587, and whose resolv.conf names a server that is
# not there. No query leaves that network. As root it also times, under Wine
# in the network of the end-to-end tests (tests/e2e/run_e2e.sh: a test root
# in the trusted bundle, TLS servers of their own), the check of a server
# whose four routes answer and are trusted against the same servers in clear
# without TLS listeners.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
cmake --preset native >/dev/null
cmake --build --preset native --target mail_check_benchmark -j2 >/dev/null
cmake --preset windows >/dev/null
cmake --build --preset windows --target registry_benchmark mail_check_benchmark -j2 >/dev/null

build=$root/build/windows
if [ ! -d "$build/wineprefix/drive_c" ]; then
  (
    cd "$build"
    export WINEPREFIX=$PWD/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=tr_TR.UTF-8
    timeout 120 wineboot -i >/dev/null 2>&1 </dev/null || true
    wineserver -p >/dev/null 2>&1 </dev/null || true
  )
fi

native_check=$root/build/native/bin/mail_check_benchmark
wine_check=("$build/wine-run.sh" "$build/bin/mail_check_benchmark.exe")

echo "== server check, native"
"$native_check"
echo "== server check, under Wine"
"${wine_check[@]}"

# Runs a command in a private network with only loopback, the benchmark's
# hosts file and a resolv.conf whose name server does not answer.
in_private_network() {
  local scratch
  scratch=$(mktemp -d)
  printf '127.0.0.1 localhost\n127.0.0.1 mail.telvora-bench.test\n' >"$scratch/hosts"
  printf 'nameserver 127.0.0.1\n' >"$scratch/resolv.conf"
  local status=0
  unshare --net --mount sh -c 'ip link set lo up && mount --bind "$1/hosts" /etc/hosts &&
    mount --bind "$1/resolv.conf" /etc/resolv.conf && shift && exec "$@"' sh "$scratch" "$@" || status=$?
  rm -rf "$scratch"
  return "$status"
}

if [ "$(id -u)" -eq 0 ] && command -v unshare >/dev/null && command -v ip >/dev/null &&
  unshare --net --mount true 2>/dev/null; then
  echo "== server check through the system's resolver, native (private network)"
  in_private_network "$native_check" --system
  echo "== server check through the system's resolver, under Wine (private network)"
  in_private_network "${wine_check[@]}" --system
  echo "== server check with TLS against the same servers in clear, under Wine (end-to-end network)"
  sh "$root/tests/e2e/run_e2e.sh" "$build" "$build/no-display" "$build/bin/mail_check_benchmark.exe" --tls 30
else
  echo "== server check through the system's resolver: skipped (needs root and network namespaces)"
fi

echo "== registry export and import, under Wine"
TELVORA_WINE_TIMEOUT=1800 "$build/wine-run.sh" "$build/bin/registry_benchmark.exe" "${1:-5}"
