#!/usr/bin/env bash
# The layering check must fail on an upward include: copies the library's tree,
# plants one include of the .docx reader into the base layer, and expects the check
# to name it; then plants a reader's header into a copy of the tool, and a host's
# header into a copy of the front door.
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

# A host that includes a reader's header past the front door is caught too.
rm -rf "$tmp/msword" && cp -r "$here/msword" "$tmp/msword"
mkdir -p "$tmp/hosts/cli" && cp "$here"/cli/*.cpp "$here"/cli/*.h "$tmp/hosts/cli/"
echo '#include "msword/doc/WordDocument.h"' >> "$tmp/hosts/cli/main.cpp"
if out="$("$here/scripts/check-layers.sh" "$tmp/msword" "$tmp/hosts")"; then
  echo "the check passed a host that includes a reader's header"; exit 1
fi
grep -q 'cli/main.cpp includes msword/doc/WordDocument.h' <<<"$out" || { echo "$out"; exit 1; }
echo "the planted host include was caught"

# The front door that includes a host's header is caught as well.
mkdir -p "$tmp/door/frontdoor" && cp "$here"/frontdoor/*.cpp "$here"/frontdoor/*.h "$tmp/door/frontdoor/"
echo '#include "cli/Options.h"' >> "$tmp/door/frontdoor/DocumentRead.cpp"
if out="$("$here/scripts/check-layers.sh" "$tmp/msword" "$tmp/door")"; then
  echo "the check passed a front door that includes a host's header"; exit 1
fi
grep -q 'frontdoor/DocumentRead.cpp includes cli/Options.h: the front door' <<<"$out" || { echo "$out"; exit 1; }
echo "the planted front-door include was caught"
