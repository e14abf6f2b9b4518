#!/usr/bin/env bash
# Installs what is missing, builds kvword (release) and extracts the text of the
# documents given, or of the shipped sample document when none is given.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target kvword
if [ $# -eq 0 ]; then
  set -- samples/sample.doc
fi
exec ./build/release/cli/kvword "$@"
