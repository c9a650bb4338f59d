#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz") and runs each for a bounded
# time: first every kept regression input of tests/fuzz/regressions/<target>/,
# then new inputs from the seed corpus tests/fuzz/corpus/<name>/ (the target
# without "_fuzzer") and the dictionary tests/fuzz/<name>.dict if there is one. An input that crashes, leaks, hangs or
# runs out of memory is copied into the regression folder, so that it is
# replayed from then on, and the script ends non-zero.
#
# Prints one line per target, "fuzz <target>: passed|failed", then
# "N passed, N failed" (a failed build fails every target). Details go to
# build/fuzz/logs/<target>.log.
# TELVORA_FUZZ_SECONDS sets the time per target (default 30).
set -u

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" || exit 2
seconds=${TELVORA_FUZZ_SECONDS:-30}
targets=(import_fuzzer hex_fuzzer mail_reply_fuzzer)
logs=build/fuzz/logs
mkdir -p "$logs"

if ! { cmake --preset fuzz && cmake --build --preset fuzz -j2; } >"$logs/build.log" 2>&1; then
  tail -n 40 "$logs/build.log" >&2
  for target in "${targets[@]}"; do echo "fuzz $target: failed"; done
  echo "0 passed, ${#targets[@]} failed"
  exit 1
fi

passed=0
failed=0
for target in "${targets[@]}"; do
  exe=build/fuzz/tests/fuzz/$target
  regressions=tests/fuzz/regressions/$target
  log=$logs/$target.log
  work=$(mktemp -d)
  mkdir -p "$regressions" "$work/corpus" "$work/artifacts"
  flags=(-timeout=10 -rss_limit_mb=2048)
  [ -f "tests/fuzz/${target%_fuzzer}.dict" ] && flags+=("-dict=tests/fuzz/${target%_fuzzer}.dict")
  ok=1
  : >"$log"

  # Kept inputs first: each is run once, and a failing one is already kept.
  mapfile -t kept < <(find "$regressions" -type f ! -name '.*' | sort)
  if [ "${#kept[@]}" -gt 0 ]; then
    timeout 600 "$exe" "${flags[@]}" "${kept[@]}" >>"$log" 2>&1 || ok=0
  fi

  if [ "$ok" = 1 ]; then
    # New inputs go to a scratch corpus; the committed seeds stay as they are.
    if ! timeout $((seconds + 120)) "$exe" "${flags[@]}" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$work/artifacts/" "$work/corpus" "tests/fuzz/corpus/${target%_fuzzer}" >>"$log" 2>&1; then
      ok=0
    fi
    for found in "$work/artifacts"/crash-* "$work/artifacts"/leak-* "$work/artifacts"/timeout-* \
                 "$work/artifacts"/oom-*; do
      [ -f "$found" ] && cp "$found" "$regressions/" && echo "kept $regressions/$(basename "$found")" >>"$log"
    done
  fi
  rm -rf "$work"

  if [ "$ok" = 1 ]; then
    echo "fuzz $target: passed"
    passed=$((passed + 1))
  else
    grep -E 'ERROR|SUMMARY|property broken|kept ' "$log" | head -n 20 >&2
    echo "fuzz $target: failed"
    failed=$((failed + 1))
  fi
done

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
