#!/usr/bin/env bash
# Installs what is missing, builds kvword and runs every test.
# With --sanitize, builds and tests under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
preset=debug
[ "${1:-}" = "--sanitize" ] && preset=sanitize
bash scripts/install-deps.sh
cmake --preset "$preset" -DKVWORD_WERROR=ON
cmake --build --preset "$preset"
ctest --preset "$preset" -j "$(nproc)"
