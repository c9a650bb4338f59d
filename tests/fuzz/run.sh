#!/bin/bash
# One fuzzer, one way: "replay" runs every kept input of
# tests/fuzz/regressions/<fuzzer>/ once; "run" fuzzes for a bounded time
# (TELVORA_FUZZ_SECONDS, default 30) from the seed corpus
# tests/fuzz/corpus/<name>/ (the fuzzer without "_fuzzer") and the dictionary
# tests/fuzz/<name>.dict if there is one. An input that crashes, leaks, hangs
# or runs out of memory is copied into the regression folder, so that it is
# replayed from then on, and the run fails.
# usage: run.sh replay|run <fuzzer executable> <source folder of tests/fuzz>
set -u
mode=$1
exe=$2
fuzz=$3
target=$(basename "$exe")
regressions=$fuzz/regressions/$target
flags=(-timeout=10 -rss_limit_mb=2048)
[ -f "$fuzz/${target%_fuzzer}.dict" ] && flags+=("-dict=$fuzz/${target%_fuzzer}.dict")
# The byte stream fuzzers reach their 64 KB bounds only with inputs above them.
case $target in mail_reply_fuzzer | tls_record_fuzzer) flags+=(-max_len=70000) ;; esac
mkdir -p "$regressions"

if [ "$mode" = replay ]; then
  mapfile -t kept < <(find "$regressions" -type f ! -name '.*' | sort)
  echo "${#kept[@]} kept inputs"
  [ "${#kept[@]}" -eq 0 ] && exit 0
  exec timeout 600 "$exe" "${flags[@]}" "${kept[@]}"
fi

seconds=${TELVORA_FUZZ_SECONDS:-30}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" "$work/artifacts"
# New inputs go to a scratch corpus; the committed seeds stay as they are.
status=0
timeout $((seconds + 120)) "$exe" "${flags[@]}" -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix="$work/artifacts/" "$work/corpus" "$fuzz/corpus/${target%_fuzzer}" || status=1
for found in "$work/artifacts"/crash-* "$work/artifacts"/leak-* "$work/artifacts"/timeout-* "$work/artifacts"/oom-*; do
  [ -f "$found" ] && cp "$found" "$regressions/" && echo "kept $regressions/$(basename "$found")"
done
exit $status
