#!/usr/bin/env bash
# Runs every test of Telvora on a Debian/Ubuntu machine, setting it up first:
# the native build under AddressSanitizer and UndefinedBehaviorSanitizer, then
# the Windows build under Wine. Ends with one line "N passed, N failed"
# (", N skipped" when any were skipped) over all suites; exits non-zero on any
# failure.
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

# Fuzzers (only when tests/fuzz exists): preset fuzz, each fuzzer run for a
# bounded time; a fuzzer that ends in error counts as one failure.
run_fuzzers() {
  [ -d tests/fuzz ] || return 0
  if ! build_preset fuzz; then
    step_failed "build of the fuzzers"
    return
  fi
  local fuzzer name corpus
  while IFS= read -r fuzzer; do
    name=$(basename "$fuzzer")
    corpus="tests/fuzz/corpus/${name%_fuzzer}"
    echo "== fuzzing $name for ${TELVORA_FUZZ_SECONDS:-30} s"
    local args=("-max_total_time=${TELVORA_FUZZ_SECONDS:-30}" "-print_final_stats=0")
    if [ -d "$corpus" ]; then
      # A copy, so the repository's corpus stays as it is.
      rm -rf "build/fuzz/corpus/$name" && mkdir -p "build/fuzz/corpus/$name" && cp -r "$corpus/." "build/fuzz/corpus/$name/"
      args+=("build/fuzz/corpus/$name")
    fi
    if timeout $((${TELVORA_FUZZ_SECONDS:-30} + 120)) "$fuzzer" "${args[@]}" >"build/fuzz/$name.log" 2>&1; then
      add_counts 1 0
    else
      tail -n 40 "build/fuzz/$name.log"
      add_counts 0 1
    fi
  done < <(find build/fuzz -type f -perm -u+x -name '*_fuzzer' | sort)
}

summary() {
  failed=$((failed + step_failures))
  local line="$passed passed, $failed failed"
  [ "$skipped" -gt 0 ] && line+=", $skipped skipped"
  echo "$line"
}

# --- set-up ---
mapfile -t packages < <(base_packages)
if [ -d tests/fuzz ]; then packages+=(clang libclang-rt-14-dev); fi
# The end-to-end tests drive the real windows on a virtual X display.
if [ -d tests/e2e ]; then packages+=(xvfb xauth xdotool imagemagick); fi
if ! ensure_packages "${packages[@]}"; then
  step_failed "installing the packages"
  summary
  exit 1
fi

# --- native build under the sanitizers ---
if build_preset native-asan; then
  run_suite native-asan build/native-asan
else
  step_failed "build of native-asan"
fi

# --- fuzzers ---
run_fuzzers

# --- Windows build under Wine (the end-to-end tests are tests of this preset) ---
if build_preset windows; then
  trap stop_wine_prefix EXIT
  trap 'exit 130' INT TERM  # through the EXIT trap, so the prefix's server stops
  if start_wine_prefix; then
    run_suite windows build/windows
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
