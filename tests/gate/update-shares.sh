#!/usr/bin/env bash
# Rewrites shares.txt from the gate's last report (build/debug by default), keeping
# the comment at its top and each document's reason.
#
# A document's share rises to what the report says. It falls only where its line
# in shares.txt already gives a reason (write the reason there first, then run this
# script); a fall of more than half a point without one is refused and listed. A
# smaller fall without a reason keeps the recorded share, so that losses do not creep.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
report="${1:-$here/../../build/debug/tests/gate/corpus_gate_report.tsv}"
shares="$here/shares.txt"
[ -f "$report" ] || { echo "update-shares: no report at $report (run the CorpusGate test first)" >&2; exit 2; }
touch "$shares"
awk -F'\t' -v out="$shares.new" '
  FILENAME == ARGV[1] {  # shares.txt
    if ($0 ~ /^#/ || $0 == "") { if (!listed) header[++nheader] = $0; next }
    listed = 1
    n = split($0, f, /[ \t]+/)
    id = f[1]; old[id] = f[2] + 0; order[++nold] = id
    reason[id] = $0; sub(/^[^ \t]+[ \t]+[^ \t]+[ \t]*/, "", reason[id])
    next
  }
  FNR == 1 { for (i = 1; i <= NF; ++i) col[$i] = i; next }  # the report
  $(col["share_all"]) != "" {
    id = $(col["id"]); now[id] = sprintf("%.2f", 100 * $(col["share_all"]))
    if (!(id in old)) order[++nold] = id
  }
  END {
    for (i = 1; i <= nheader; ++i) print header[i] > out
    for (i = 1; i <= nold; ++i) {
      id = order[i]; share = (id in now) ? now[id] : sprintf("%.2f", old[id])
      if ((id in old) && (id in now) && now[id] + 0 < old[id]) {
        if (reason[id] == "") {
          if (now[id] + 0 < old[id] - 0.5) {
            printf "update-shares: %s fell from %.2f to %s; give the reason on its line in shares.txt\n", id, old[id], now[id] > "/dev/stderr"
            refused = 1
          }
          share = sprintf("%.2f", old[id])
        }
      }
      line = id "\t" share
      if (reason[id] != "") line = line "\t" reason[id]
      print line > out
    }
    exit refused
  }' "$shares" "$report" || { rm -f "$shares.new"; exit 1; }
mv "$shares.new" "$shares"
