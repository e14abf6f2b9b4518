#!/usr/bin/env bash
# Whole-process batch benchmark of kvword: the wall time of one run over a few
# hundred documents with one worker thread (-j 1) and with two (-j 2), the best of
# several rounds each, in documents and bytes per second, and the speed-up of
# -j 2 over -j 1.
#
#   bench/batch_speedup.sh [DIR_OR_LIST] [ROUNDS]
#
# DIR_OR_LIST is a folder of documents or a file listing them, one path a line
# (default: the shared real-document corpus, ../shared/corpus/files). Builds the
# release preset's kvword when it is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
input=${1:-../shared/corpus/files}
rounds=${2:-5}
kvword=build/release/cli/kvword
if [ ! -x "$kvword" ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release --target kvword >/dev/null
fi

list=$(mktemp)
trap 'rm -f "$list"' EXIT
if [ -d "$input" ]; then
  find "$input" -type f | sort >"$list"
else
  grep -v '^$' "$input" >"$list"
fi
count=$(wc -l <"$list")
bytes=$(tr '\n' '\0' <"$list" | xargs -0 cat | wc -c)
[ "$count" -gt 0 ] || { echo "no documents in $input" >&2; exit 2; }

# Best wall time in nanoseconds of ROUNDS runs with -j "$1".
best_time() {
  local best=0 start end status
  for _ in $(seq "$rounds"); do
    start=$(date +%s%N)
    status=0
    "$kvword" --quiet --json --all --summary -j "$1" --files-from="$list" >/dev/null 2>&1 || status=$?
    end=$(date +%s%N)
    [ "$status" -le 1 ] || { echo "kvword failed with status $status" >&2; exit 1; }
    if [ "$best" -eq 0 ] || [ $((end - start)) -lt "$best" ]; then best=$((end - start)); fi
  done
  echo "$best"
}

loaded=$("$kvword" --quiet --json --no-summary -j 2 --files-from="$list" 2>/dev/null | grep -vc '"error":' || true)
one=$(best_time 1)
two=$(best_time 2)
awk -v n="$count" -v b="$bytes" -v ok="$loaded" -v t1="$one" -v t2="$two" -v r="$rounds" 'BEGIN {
  printf "documents: %d (%.1f MiB), %d loaded, best of %d rounds\n", n, b / 1048576, ok, r
  printf "-j 1: %8.3f s  %8.1f documents/s  %8.2f MiB/s\n", t1 / 1e9, n / (t1 / 1e9), b / 1048576 / (t1 / 1e9)
  printf "-j 2: %8.3f s  %8.1f documents/s  %8.2f MiB/s\n", t2 / 1e9, n / (t2 / 1e9), b / 1048576 / (t2 / 1e9)
  printf "speed-up of -j 2 over -j 1: %.2fx\n", t1 / t2
}'
