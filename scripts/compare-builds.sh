#!/usr/bin/env bash
# Compares what two builds of the tool print for every shared-corpus document and every
# hostile file, option set by option set, one file at a time and as a two-job batch.
#
#   scripts/compare-builds.sh OLD_KVWORD NEW_KVWORD [VIEW]
#
# VIEW is "stored" (the default: the library's own output, which must not change) or
# "shown". Prints the files whose output or exit status differ and exits 1 when any does.
# KVWORD_COMPARE_SETS overrides the option sets (one per line).
set -uo pipefail
old=${1:?old kvword}; new=${2:?new kvword}; view=${3:-stored}
here=$(cd "$(dirname "$0")/.." && pwd)
shared=${KVWORD_SHARED_DIR:-$here/../shared}
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT

list=$work/files
{
  [ -d "$shared/corpus/files" ] && find "$shared/corpus/files" -type f
  [ -d "$shared/hostile/files" ] && find "$shared/hostile/files" -type f
} | LC_ALL=C sort > "$list"
[ -s "$list" ] || { echo "compare-builds: no shared files under $shared" >&2; exit 2; }

sets=${KVWORD_COMPARE_SETS:-"--view=$view
--view=$view --all --summary
--view=$view --format=html --all
--view=$view --format=rtf --all
--view=$view --json --all"}

differ=0
run() {  # run BINARY OUT ARGS... : stdout, stderr and exit status into OUT.*
  local bin=$1 out=$2; shift 2
  timeout 60 "$bin" "$@" > "$out.out" 2> "$out.err"; echo $? > "$out.rc"
}
while IFS= read -r set; do
  read -ra opts <<< "$set"
  n=0
  while IFS= read -r f; do
    run "$old" "$work/a" "${opts[@]}" "$f"
    run "$new" "$work/b" "${opts[@]}" "$f"
    if ! cmp -s "$work/a.out" "$work/b.out" || ! cmp -s "$work/a.rc" "$work/b.rc"; then
      echo "differs [$set]: $f"; differ=1
    fi
    n=$((n + 1))
  done < "$list"
  run "$old" "$work/a" "${opts[@]}" -q -j 2 --files-from="$list"
  run "$new" "$work/b" "${opts[@]}" -q -j 2 --files-from="$list"
  if ! cmp -s "$work/a.out" "$work/b.out" || ! cmp -s "$work/a.rc" "$work/b.rc"; then
    echo "differs [$set, -j 2 batch]"; differ=1
  fi
  echo "compared [$set]: $n files one at a time and as a batch"
done <<< "$sets"
[ $differ = 0 ] && echo "compare-builds: no differences" || echo "compare-builds: DIFFERENCES"
exit $differ
