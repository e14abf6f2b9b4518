#!/usr/bin/env bash
# The fuzz smoke's verdict is its targets' own: targets that all pass, one slot at a
# time and each outliving the slot loop's polling, end "all targets passed"; a
# target that fails ends "FAILED". The targets are planted scripts standing in for
# libFuzzer binaries; each records the options it was given, which must hold the
# smoke's per-unit time and memory limits.
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/build/fuzz" "$work/shared"

plant() {  # plant NAME SECONDS EXIT
  cat >"$work/build/fuzz/$1" <<SCRIPT
#!/usr/bin/env bash
echo "\$*" >>"$work/$1.args"
for a in "\$@"; do [ "\$a" = -runs=0 ] && exit 0; done
sleep $2
echo "stat::number_of_executed_units: 42"
exit $3
SCRIPT
  chmod +x "$work/build/fuzz/$1"
}
plant fuzz_first 2 0
plant fuzz_second 2 0
plant fuzz_third 1 0
plant fuzz_broken 1 1
printf '#!/bin/sh\nexit 0\n' >"$work/build/fuzz/extract_property_sets"
chmod +x "$work/build/fuzz/extract_property_sets"

smoke() {
  env FUZZ_BUILD=0 FUZZ_BUILD_DIR="$work/build" KVWORD_SHARED_DIR="$work/shared" \
    FUZZ_SECONDS=1 "$@" bash "$repo/fuzz/smoke.sh" "${targets[@]}" >"$work/out" 2>&1
}
fail() { echo "FAIL: $*"; cat "$work/out"; exit 1; }

targets=(fuzz_first fuzz_second fuzz_third)
smoke FUZZ_JOBS=1 || fail "passing targets in one slot: the smoke failed"
[ "$(tail -n 1 "$work/out")" = "fuzz smoke: all targets passed" ] || fail "no pass verdict"
[ "$(grep -c '^ok ' "$work/out")" = 3 ] || fail "not every target reported ok"
grep -q -- '-timeout=5 -rss_limit_mb=2048 ' "$work/fuzz_first.args" || fail "unit limits not passed"

targets=(fuzz_first fuzz_broken fuzz_third)
for slots in 1 2; do
  if smoke FUZZ_JOBS=$slots; then fail "a failing target passed with $slots slots"; fi
  [ "$(tail -n 1 "$work/out")" = "fuzz smoke: FAILED" ] || fail "no FAILED verdict with $slots slots"
  grep -q '^FAIL fuzz_broken' "$work/out" || fail "the failing target is not named"
done
echo "smoke verdict: ok"
