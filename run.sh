#!/usr/bin/env bash
# Installs what is missing, builds kvword (release) and extracts the text of the
# documents given, or of the shipped sample document when none is given.
#   ./run.sh [FILE...]        the command-line tool
#   ./run.sh --gui [FILE]     the desktop program (needs a display; xvfb-run works)
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/install-deps.sh
cmake --preset release >/dev/null
if [ "${1:-}" = "--gui" ]; then
  shift
  cmake --build --preset release --target kvword-gui
  exec ./build/release/app/kvword-gui "${1:-samples/sample.doc}"
fi
cmake --build --preset release --target kvword
if [ $# -eq 0 ]; then
  set -- samples/sample.doc
fi
exec ./build/release/cli/kvword "$@"
