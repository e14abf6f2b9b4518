#!/usr/bin/env bash
# Rewrites loaded.txt from the gate's last report (build/debug by default).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
report="${1:-$here/../../build/debug/tests/gate/corpus_gate_report.tsv}"
{
  sed -n '1,3p' "$here/loaded.txt"
  awk -F'\t' 'NR > 1 && $5 == "loaded" { print $1 }' "$report"
} > "$here/loaded.txt.new"
mv "$here/loaded.txt.new" "$here/loaded.txt"
