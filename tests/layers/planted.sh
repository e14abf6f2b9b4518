#!/usr/bin/env bash
# The layering check must fail on an upward include: copies the library's tree,
# plants one include of the .docx reader into the base layer, and expects the check
# to name it.
set -euo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
cp -r "$here/msword" "$tmp/msword"
echo '#include "msword/docx/WordXDocument.h"' >> "$tmp/msword/base/Classes.h"
if out="$("$here/scripts/check-layers.sh" "$tmp/msword")"; then
  echo "the check passed a tree with an upward include"; exit 1
fi
grep -q 'base/Classes.h (base) includes msword/docx/WordXDocument.h' <<<"$out" || { echo "$out"; exit 1; }
echo "the planted upward include was caught"
