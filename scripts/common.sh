# shellcheck shell=bash
# Shared by test.sh and run.sh: package set-up and the Wine prefix of the
# Windows build. Sourced, not run.

TELVORA_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
TELVORA_WINDOWS_BUILD="$TELVORA_ROOT/build/windows"
export DEBIAN_FRONTEND=noninteractive

# Runs a command as root: directly when we are root, through sudo otherwise.
as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  elif command -v sudo >/dev/null 2>&1; then
    sudo env DEBIAN_FRONTEND=noninteractive "$@"
  else
    echo "error: root rights are needed to install packages, and sudo is missing" >&2
    return 1
  fi
}

package_installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

# Installs the packages that are missing; asks apt for its lists only when
# something is missing, so a second run touches nothing.
ensure_packages() {
  local missing=() package
  for package in "$@"; do
    package_installed "$package" || missing+=("$package")
  done
  [ "${#missing[@]}" -eq 0 ] && return 0
  echo "== installing: ${missing[*]}"
  as_root apt-get update -qq || return 1
  local available=()
  for package in "${missing[@]}"; do
    if apt-cache show "$package" >/dev/null 2>&1; then
      available+=("$package")
    else
      echo "warning: package $package is not offered by this system's sources; going on without it" >&2
    fi
  done
  [ "${#available[@]}" -eq 0 ] && return 0
  as_root apt-get install -y -qq --no-install-recommends "${available[@]}"
}

# One package a line. What every build needs: CMake, the host compiler, GoogleTest (also its
# sources, built with the cross compiler), mingw-w64 and Wine.
base_packages() {
  printf '%s\n' cmake make g++ locales googletest libgtest-dev libgmock-dev g++-mingw-w64-x86-64-posix wine wine64
  if grep -rqs --include=CMakeLists.txt 'benchmark' "$TELVORA_ROOT/CMakeLists.txt" "$TELVORA_ROOT/tests" \
    "$TELVORA_ROOT/bench" "$TELVORA_ROOT/benchmarks"; then
    echo libbenchmark-dev
  fi
}

# The Wine prefix lives in the build folder, never in ~/.wine. Wine's ANSI code
# page follows LC_CTYPE: tr_TR.UTF-8 makes it 1254, also without that locale.
wine_environment() {
  export WINEPREFIX="$TELVORA_WINDOWS_BUILD/wineprefix"
  export WINEDEBUG="${WINEDEBUG:--all}"
  export WINEDLLOVERRIDES="mscoree,mshtml="
}

# Starts a persistent wineserver for the prefix, then boots the prefix once in
# a detached process with all its streams on /dev/null: the helper processes
# that the first wine command leaves behind then hold no pipe of ours, and
# later wine calls return as soon as their program ends. An existing prefix is
# reused.
start_wine_prefix() {
  wine_environment
  mkdir -p "$TELVORA_WINDOWS_BUILD"
  timeout 30 wineserver -p >/dev/null 2>&1 </dev/null
  LC_ALL=tr_TR.UTF-8 timeout 300 wine wineboot >/dev/null 2>&1 </dev/null &
  local status=0
  wait $! || status=$?
  # The persistent server writes the registry files only later: look for the
  # prefix's Windows folder instead.
  if [ "$status" -ne 0 ] || [ ! -d "$WINEPREFIX/drive_c/windows/system32" ]; then
    echo "error: the Wine prefix $WINEPREFIX could not be made" >&2
    return 1
  fi
}

stop_wine_prefix() {
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    timeout 30 wineserver -k >/dev/null 2>&1 </dev/null || true
  fi
}
