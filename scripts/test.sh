#!/usr/bin/env bash
# Runs every test of Telvora on a Debian/Ubuntu machine, setting it up first:
# it installs what is missing, then runs the workflow of each preset
# (cmake --workflow: configure, build, every CTest test of the build):
#   native-asan  the unit tests under AddressSanitizer and
#                UndefinedBehaviorSanitizer, the formatting, clang-tidy and the
#                example program built natively the three ways a consumer
#                takes the registry classes in;
#   fuzz         each fuzzer's kept inputs and a bounded run;
#   windows      the unit and end-to-end tests under Wine, the size of
#                Telvora.exe, the example built for Windows and run once.
# Each GoogleTest case is a CTest test of its own. Ends with one line
# "N passed, N failed" (", N skipped" when any were skipped) over the JUnit
# files that CTest writes; exits non-zero on any failure.
set -uo pipefail
# shellcheck source=scripts/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$TELVORA_ROOT" || exit 1

passed=0
failed=0
skipped=0

# attribute NAME FILE: a number of the JUnit file's testsuite element.
attribute() {
  sed -n "s/^[[:space:]]*$1=\"\([0-9]*\)\".*/\1/p" "$2" | head -n 1
}

# Runs a preset's workflow and adds the counts of its JUnit file. The steps
# that prepare a fixture (the Wine prefix, the X display) are not cases of
# their own; one that fails counts as a failure. A workflow that fails
# without any failed test (configure, build) counts as one failure.
run_workflow() {
  local preset=$1
  local junit=build/$preset/junit.xml
  rm -f "$junit"
  echo "== cmake --workflow --preset $preset"
  cmake --workflow --preset "$preset"
  local status=$?
  local tests=0 failures=0 skips=0 disabled=0 fixtures=0
  if [ -f "$junit" ]; then
    tests=$(attribute tests "$junit")
    failures=$(attribute failures "$junit")
    skips=$(attribute skipped "$junit")
    disabled=$(attribute disabled "$junit")
    fixtures=$(grep -c '<testcase name="fixture\.[^"]*"[^>]*status="run"' "$junit")
  fi
  local p=$((tests - failures - skips - disabled - fixtures))
  if [ "$status" -ne 0 ] && [ "$failures" -eq 0 ]; then
    echo "FAILED: the $preset workflow, before or besides its tests" >&2
    failures=1
  fi
  echo "== $preset: $p passed, $failures failed, $skips skipped"
  passed=$((passed + p))
  failed=$((failed + failures))
  skipped=$((skipped + skips))
}

summary() {
  local line="$passed passed, $failed failed"
  [ "$skipped" -gt 0 ] && line+=", $skipped skipped"
  echo "$line"
}

# --- set-up ---
mapfile -t packages < <(base_packages)
packages+=(git clang-format clang-tidy)
if [ -d tests/fuzz ]; then packages+=(clang libclang-rt-14-dev); fi
# The end-to-end tests drive the real windows on a virtual X display, in a
# private network (unshare, ip) with a name server and mail servers of their
# own (python3), with certificates made for the run (openssl).
if [ -d tests/e2e ]; then packages+=(xvfb xauth xdotool imagemagick util-linux iproute2 python3 openssl ca-certificates); fi
if ! ensure_packages "${packages[@]}"; then
  echo "FAILED: installing the packages" >&2
  failed=1
  summary
  exit 1
fi

# One build or test at a time, each with the jobs given.
export CMAKE_BUILD_PARALLEL_LEVEL="${TELVORA_JOBS:-2}"
unset CTEST_PARALLEL_LEVEL
# The Wine server of the Windows build stops with its tests; should they be
# cut short, it stops here.
trap stop_wine_prefix EXIT
trap 'exit 130' INT TERM
wine_environment

run_workflow native-asan
if [ -d tests/fuzz ]; then run_workflow fuzz; fi
run_workflow windows

summary
[ "$failed" -eq 0 ]
