#!/usr/bin/env bash
# Builds Telvora for Windows and starts it under Wine, setting the machine up
# first, and hands it the arguments given (its switches). Needs a display
# ($DISPLAY); the Wine prefix is the build's own.
set -uo pipefail
# shellcheck source=scripts/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$TELVORA_ROOT" || exit 1

mapfile -t packages < <(base_packages)
ensure_packages "${packages[@]}" || exit 1

if [ ! -f src/forms/main.cpp ]; then
  echo "Telvora's windows are not built yet (src/forms/main.cpp is missing): nothing to start."
  exit 0
fi

echo "== building windows"
cmake --preset windows >/dev/null && cmake --build --preset windows -j "${TELVORA_JOBS:-2}" --target Telvora || exit 1
program="$TELVORA_WINDOWS_BUILD/bin/Telvora.exe"
[ -f "$program" ] || { echo "error: $program was not built" >&2; exit 1; }

if [ -z "${DISPLAY:-}" ]; then
  echo "Telvora shows windows and needs a display: set DISPLAY (for example run this from a desktop session)." >&2
  echo "The program is built at $program." >&2
  exit 2
fi

trap stop_wine_prefix EXIT
trap 'exit 130' INT TERM
start_wine_prefix || exit 1
# The build's Wine wrapper gives the Turkish code page 1254, as on a Turkish
# Windows. TELVORA_RUN_TIMEOUT (seconds) ends the program by force; 0, the
# default, lets it run until it is closed.
TELVORA_WINE_TIMEOUT="${TELVORA_RUN_TIMEOUT:-0}" "$TELVORA_WINDOWS_BUILD/wine-run.sh" "$program" "$@"
