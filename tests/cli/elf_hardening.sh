#!/usr/bin/env bash
# The built tool carries its defences: position-independent (ELF type DYN),
# relocations read-only and bound at start (GNU_RELRO, BIND_NOW), stack canaries
# (__stack_chk_fail), and, in an optimised build, the C library's checked calls
# (__*_chk). A static tool needs no shared object at all.
#   elf_hardening.sh KVWORD STATIC FIXED_ADDRESS FORTIFIED     (each flag ON or OFF)
set -euo pipefail
tool=$1 static=$2 fixed=$3 fortified=$4
command -v readelf >/dev/null || { echo "readelf not found"; exit 77; }
fail() { echo "FAIL: $tool: $*"; exit 1; }
header=$(readelf -h "$tool")
dynamic=$(readelf -d "$tool" 2>/dev/null || true)
programs=$(readelf -lW "$tool")
symbols=$(readelf -sW "$tool")

if [ "$fixed" = ON ]; then
  grep -q 'Type: *EXEC' <<<"$header" || fail "a fixed-address build is not EXEC"
else
  grep -q 'Type: *DYN' <<<"$header" || fail "not position-independent (type is not DYN)"
fi
grep -q 'GNU_RELRO' <<<"$programs" || fail "no GNU_RELRO segment"
if [ "$fixed" != ON ]; then
  grep -Eq '\(FLAGS\).*BIND_NOW|\(FLAGS_1\).*NOW' <<<"$dynamic" || fail "relocations not bound at start (no BIND_NOW)"
fi
grep -q ' __stack_chk_fail' <<<"$symbols" || fail "no stack canaries (__stack_chk_fail)"
if [ "$fortified" = ON ]; then
  grep -Eq ' __[a-z0-9_]+_chk$' <<<"$(grep -v __stack_chk_fail <<<"$symbols")" ||
    fail "no checked C library calls (__*_chk)"
fi
if [ "$static" = ON ] && grep -q '(NEEDED)' <<<"$dynamic"; then
  fail "a static tool that needs shared objects: $(grep '(NEEDED)' <<<"$dynamic")"
fi
echo "hardened: $(grep -o 'Type: *[A-Z]*' <<<"$header")"
