#!/usr/bin/env bash
# The fuzz smoke of CI: builds every fuzz target (the "fuzz" preset), draws seed
# corpora from the small shared files, replays each target's seeds and then fuzzes
# each target for FUZZ_SECONDS (default 60), FUZZ_JOBS targets at a time (default:
# the number of cores). Targets are found from fuzz/*.cpp, so a new one is included
# without a change here. Inputs that fail are kept in build/fuzz/smoke-artifacts/.
#
#   FUZZ_SECONDS=600 bash fuzz/smoke.sh            # longer runs
#   bash fuzz/smoke.sh fuzz_zip fuzz_xml           # only these targets
#
# Every unit runs under a time and a memory limit (FUZZ_UNIT_SECONDS, default 5;
# FUZZ_RSS_MB, default 2048): the seeds are at most 100 KB and every reader's work
# grows in proportion to its input, so a unit slower or bigger than that is a
# finding, kept like a crash.
#
# The verdict is the targets' own: each writes its exit status to a file, and the
# script fails when one of them failed or wrote none. FUZZ_BUILD=0 with
# FUZZ_BUILD_DIR uses targets already built (the script's own test plants some).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
jobs=${FUZZ_JOBS:-$(nproc)}
shared=${KVWORD_SHARED_DIR:-$(cd .. && pwd)/shared}
seed_max_bytes=${FUZZ_SEED_MAX_BYTES:-102400}
unit_seconds=${FUZZ_UNIT_SECONDS:-5}
rss_mb=${FUZZ_RSS_MB:-2048}
build_dir=${FUZZ_BUILD_DIR:-build/fuzz}

if [ "${FUZZ_BUILD:-1}" != 0 ]; then
  cmake --preset fuzz
  cmake --build --preset fuzz
fi

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for source in fuzz/*.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
artifacts=$build_dir/smoke-artifacts
mkdir -p "$work/files" "$work/xml" "$work/props" "$artifacts"

# Seeds: the shared real and crafted documents up to seed_max_bytes, as they stand;
# for the XML engine the XML parts of the small .docx packages; for the property-set
# reader the property-set streams of the small compound files.
# Left out: crafted files whose expected load time under the sanitizers is above
# the 10-second timeout (a 50 MiB text node is the result itself).
for dir in "$shared/corpus/files" "$shared/hostile/files"; do
  [ -d "$dir" ] || continue
  find "$dir" -type f -size -"$((seed_max_bytes / 1024))"k ! -name xml_text_node_50mb.docx \
    -exec cp -t "$work/files" {} +
done
if command -v python3 >/dev/null; then
  python3 - "$work/files" "$work/xml" "$seed_max_bytes" <<'EOF'
import os, sys, zipfile
src, dst, limit = sys.argv[1], sys.argv[2], int(sys.argv[3])
n = 0
for name in sorted(os.listdir(src)):
    try:
        with zipfile.ZipFile(os.path.join(src, name)) as z:
            for info in z.infolist():
                if info.filename.endswith(('.xml', '.rels')) and info.file_size <= limit:
                    n += 1
                    with open(os.path.join(dst, '%05d.xml' % n), 'wb') as out:
                        out.write(z.read(info))
    except Exception:
        pass
EOF
fi
find "$work/files" -type f -exec "$build_dir/fuzz/extract_property_sets" "$work/props" {} + >/dev/null
echo "fuzz smoke: $(ls "$work/files" | wc -l) file seeds, $(ls "$work/xml" | wc -l) XML seeds," \
  "$(ls "$work/props" | wc -l) property-set seeds," \
  "${#targets[@]} targets, ${seconds} s each, ${jobs} at a time," \
  "at most ${unit_seconds} s and ${rss_mb} MB a unit"

# Runs one target: replay, then fuzz. Its log is printed when it fails.
# AddressSanitizer hands freed memory back to the system every few seconds by
# walking its free lists; with a few hundred megabytes in a long fuzzing process
# that walk once took 44 s inside a single free() and was reported as a slow unit.
# The smoke run keeps freed memory for reuse instead (the memory limit still holds).
export ASAN_OPTIONS="allocator_release_to_os_interval_ms=-1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"

run_target() {
  local name=$1 binary=$build_dir/fuzz/$1 seeds=$work/files
  case "$name" in
    *xml*) seeds=$work/xml ;;
    *property_set*) seeds=$work/props ;;
  esac
  local corpus=$work/corpus-$name log=$work/$name.log
  mkdir -p "$corpus"
  local options=(-timeout="$unit_seconds" -rss_limit_mb="$rss_mb" -artifact_prefix="$artifacts/$name-" -print_final_stats=1)
  local start=$SECONDS
  if ! "$binary" "${options[@]}" -runs=0 "$seeds" >"$log" 2>&1; then
    echo "FAIL $name: a seed fails on replay"; tail -n 60 "$log"; return 1
  fi
  if ! "$binary" "${options[@]}" -max_total_time="$seconds" "$corpus" "$seeds" >>"$log" 2>&1; then
    echo "FAIL $name: fuzzing found a failing input"; tail -n 60 "$log"; return 1
  fi
  local runs
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | tail -n 1 | grep -o '[0-9]*$' || true)
  echo "ok   $name: ${runs:-?} runs in $((SECONDS - start)) s"
}

# Each target runs in the background and leaves its exit status in NAME.status; a
# slot is free when a status file has appeared for every target started but the
# last FUZZ_JOBS. The shell's own job table is not asked: it forgets jobs that
# ended while it was polled.
started=0
for name in "${targets[@]}"; do
  while [ $((started - $(find "$work" -maxdepth 1 -name '*.status' | wc -l))) -ge "$jobs" ]; do
    sleep 1
  done
  ( set +e; run_target "$name"; echo $? >"$work/$name.status" ) &
  started=$((started + 1))
done
wait || true
status=0
for name in "${targets[@]}"; do
  result=$(cat "$work/$name.status" 2>/dev/null || echo none)
  if [ "$result" != 0 ]; then
    [ "$result" = none ] && echo "FAIL $name: ended without a status"
    status=1
  fi
done
[ $status -eq 0 ] && echo "fuzz smoke: all targets passed" || echo "fuzz smoke: FAILED"
exit $status
