#!/usr/bin/env bash
# Runs every test of Telvora on a Debian/Ubuntu machine, setting it up first:
# the formatting check, the native build under AddressSanitizer and
# UndefinedBehaviorSanitizer with clang-tidy over its sources, the fuzzers,
# then the Windows build under Wine, the size of Telvora.exe and the example
# program built the three ways a consumer takes the registry classes in. Ends
# with one line "N passed, N failed" (", N skipped" when any were skipped)
# over all suites; exits non-zero on any failure.
set -uo pipefail
# shellcheck source=scripts/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$TELVORA_ROOT" || exit 1

passed=0
failed=0
skipped=0
step_failures=0

# Later steps whose tests write no GoogleTest results add their counts here.
add_counts() {
  passed=$((passed + $1))
  failed=$((failed + $2))
  skipped=$((skipped + ${3:-0}))
}

# A step that could not run (set-up, build) counts as one failure.
step_failed() {
  echo "FAILED: $1" >&2
  step_failures=$((step_failures + 1))
}

# Counts the test cases in the GoogleTest XML files of a folder: prints
# "passed failed skipped". Cases that were not run (disabled) are not counted.
count_results() {
  local folder=$1
  local files=("$folder"/*.xml)
  [ -e "${files[0]}" ] || { echo "0 0 0"; return; }
  awk '
    function finish() {
      if (!open) return
      open = 0
      if (notrun) return
      if (failure) f++; else if (skip) s++; else p++
    }
    /<testcase / {
      finish()
      open = 1; failure = 0
      notrun = ($0 ~ /status="notrun"/)
      skip = ($0 ~ /result="skipped"/)
      if ($0 ~ /\/>[[:space:]]*$/) finish()
      next
    }
    /<failure/ { failure = 1 }
    /<\/testcase>/ { finish() }
    END { finish(); print p + 0, f + 0, s + 0 }
  ' "${files[@]}"
}

# Runs the tests of a preset and adds their counts. The native preset gives
# each case its own process and its own XML file, the Windows one a file per
# test program; ctest runs them one after the other, so that no two write at
# once. A test that fails without writing its results (a crash, a sanitizer
# report, a time-out) is still counted by ctest's summary: whatever ctest
# counts as failed beyond the failed cases of the XML files is added.
run_suite() {
  local preset=$1 build=$2
  local results="$build/test-results" log="$build/ctest.log"
  rm -rf "$results"
  mkdir -p "$results"
  echo "== ctest --preset $preset"
  env -u CTEST_PARALLEL_LEVEL ctest --preset "$preset" --output-log "$log"
  local status=$?
  local counts p f s
  counts=$(count_results "$results")
  read -r p f s <<<"$counts"
  local ctest_failed
  ctest_failed=$(sed -n 's/.* \([0-9][0-9]*\) tests* failed out of [0-9][0-9]*.*/\1/p' "$log" | tail -n 1)
  if [ -z "$ctest_failed" ]; then
    [ "$status" -ne 0 ] && ctest_failed=1 || ctest_failed=0
  fi
  if [ "$ctest_failed" -gt "$f" ]; then
    echo "note: $((ctest_failed - f)) failed ctest test(s) of $preset left no results; counted as failures"
    f=$ctest_failed
  fi
  if [ "$status" -ne 0 ] && [ "$f" -eq 0 ]; then
    f=1  # ctest failed, for a reason that its summary does not count
  fi
  echo "== $preset: $p passed, $f failed, $s skipped"
  add_counts "$p" "$f" "$s"
}

build_preset() {
  local preset=$1
  echo "== building $preset"
  cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" -j "${TELVORA_JOBS:-2}"
}

# Runs a script whose last line is "N passed, N failed" and adds its counts.
run_counted_script() {
  local label=$1 script=$2
  echo "== $label"
  local out last p f
  out=$(bash "$script")
  printf '%s\n' "$out" | sed '$d'
  last=$(printf '%s\n' "$out" | tail -n 1)
  if [[ "$last" =~ ^([0-9]+)\ passed,\ ([0-9]+)\ failed$ ]]; then
    p=${BASH_REMATCH[1]}
    f=${BASH_REMATCH[2]}
    echo "== $label: $p passed, $f failed"
    add_counts "$p" "$f"
  else
    step_failed "$label"
  fi
}

# Fuzzers (only when tests/fuzz exists): scripts/fuzz.sh builds them, replays
# the kept regression inputs, fuzzes each for a bounded time and keeps any
# input that fails.
run_fuzzers() {
  [ -d tests/fuzz ] || return 0
  run_counted_script fuzzers scripts/fuzz.sh
}

# check NAME COMMAND...: a check without test results of its own, counted as
# one case. Its output goes to build/checks/NAME.log and, on a failure, to the
# screen.
check() {
  local name=$1
  shift
  local log=build/checks/$name.log
  mkdir -p build/checks
  if "$@" >"$log" 2>&1; then
    echo "check $name: passed"
    add_counts 1 0
  else
    head -n 60 "$log" >&2
    echo "check $name: failed"
    add_counts 0 1
  fi
}

# Every tracked C++ file as clang-format formats it (clang-format -i fixes it).
formatting_matches() {
  git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
}

# clang-tidy with the repository's .clang-tidy over the sources of a build's
# compile database (src/ only: not the tests), failing on any warning.
tidy_clean() {
  local build=$1
  local sources
  sources=$(sed -n 's/^ *"file": "\(.*\)",\{0,1\}$/\1/p' "$build/compile_commands.json" | grep "^$TELVORA_ROOT/src/")
  [ -n "$sources" ] || { echo "no sources of src/ in $build/compile_commands.json"; return 1; }
  printf '%s\n' "$sources" | xargs -P "${TELVORA_JOBS:-2}" -n 4 clang-tidy -p "$build" --quiet --warnings-as-errors='*'
}

# The shipped program carries no debug information: at most 400,000 bytes.
program_is_lean() {
  local program=$TELVORA_WINDOWS_BUILD/bin/Telvora.exe size
  size=$(stat -c %s "$program") || return 1
  echo "$program: $size bytes (at most 400000)"
  [ "$size" -le 400000 ]
}

summary() {
  failed=$((failed + step_failures))
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
# own (python3).
if [ -d tests/e2e ]; then packages+=(xvfb xauth xdotool imagemagick util-linux iproute2 python3); fi
if ! ensure_packages "${packages[@]}"; then
  step_failed "installing the packages"
  summary
  exit 1
fi

# --- formatting ---
check clang-format formatting_matches

# --- native build under the sanitizers, and clang-tidy over its sources ---
if build_preset native-asan; then
  run_suite native-asan build/native-asan
else
  step_failed "build of native-asan"
fi
check clang-tidy tidy_clean build/native-asan

# --- fuzzers ---
run_fuzzers

# --- Windows build under Wine (the end-to-end tests are tests of this preset) ---
# The example program (examples/registry-tool) as consumers build it, natively
# and for Windows; its one run under Wine needs the prefix.
if build_preset windows; then
  check telvora-exe-size program_is_lean
  trap stop_wine_prefix EXIT
  trap 'exit 130' INT TERM  # through the EXIT trap, so the prefix's server stops
  if start_wine_prefix; then
    run_suite windows build/windows
    run_counted_script consumers scripts/consumers.sh
  else
    step_failed "preparing the Wine prefix"
  fi
  stop_wine_prefix
  trap - EXIT
else
  step_failed "build of windows"
fi

summary
[ "$failed" -eq 0 ]
