#!/usr/bin/env bash
# Checks that the library's folders depend only downwards:
#   base  <-  storage, zip, xml, model  <-  crypto, writers  <-  vba  <-  doc, docx, rtf, html  <-  msword/ (top)
# (model: the document model the readers describe documents in; writers: the
# output formats written from it)
# A file may include from its own folder and from any folder of a lower rank. The
# message table (MSWordCnst.h) and the version (Version.h) sit at the top because
# users include them, but they include nothing of the library, so every layer may
# use them. Above the library sits the front door (frontdoor/), through which every
# host reads documents: the hosts (cli/, python/src/, app/) include only its headers
# and their own, never the library's. Prints each include out of place and exits 1
# when there is one.
#   scripts/check-layers.sh [LIBRARY_DIR [HOSTS_ROOT]]
#   (default: msword/ beside this script, and the repository for the hosts)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
root="${1:-$here/msword}"
hosts_root="${2:-$here}"
declare -A rank=([base]=0 [storage]=1 [zip]=1 [xml]=1 [model]=1 [crypto]=2 [writers]=2 [vba]=3
                 [doc]=4 [docx]=4 [rtf]=4 [html]=4 [top]=9)
layer_of() {  # a path relative to msword/ -> its layer
  case "$1" in
    MSWordCnst.h|Version.h) echo base ;;
    */*) echo "${1%%/*}" ;;
    *) echo top ;;
  esac
}
status=0
while IFS= read -r -d '' file; do
  rel="${file#"$root"/}"
  from=$(layer_of "$rel")
  if [ -z "${rank[$from]+x}" ]; then
    echo "$rel: the folder ${rel%%/*}/ has no place in the layering (add it to ${0##*/})"
    status=1
    continue
  fi
  while IFS= read -r inc; do
    to=$(layer_of "$inc")
    [ -n "${rank[$to]+x}" ] || { echo "$rel: includes msword/$inc from an unknown folder"; status=1; continue; }
    if [ "$from" != "$to" ] && [ "${rank[$to]}" -ge "${rank[$from]}" ]; then
      echo "$rel ($from) includes msword/$inc ($to): a layer may include only from the layers below it"
      status=1
    fi
  done < <(sed -n 's@^[[:space:]]*#[[:space:]]*include[[:space:]]*"msword/\([^"]*\)".*@\1@p' "$file")
done < <(find "$root" -type f \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z)
for host in frontdoor cli python/src app; do
  [ -d "$hosts_root/$host" ] || continue
  while IFS= read -r -d '' file; do
    rel="${file#"$hosts_root"/}"
    while IFS= read -r inc; do
      case "$host:$inc" in
        frontdoor:msword/*|*:frontdoor/*|"$host:$host"/*) ;;
        frontdoor:cli/*|frontdoor:python/*|frontdoor:app/*)
          echo "$rel includes $inc: the front door includes only the library and its own headers"
          status=1 ;;
        *:msword/*|*:cli/*|*:python/*|*:app/*)
          echo "$rel includes $inc: a host includes only the front door's headers (frontdoor/)"
          status=1 ;;
      esac
    done < <(sed -n 's@^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*@\1@p' "$file")
  done < <(find "$hosts_root/$host" -type f \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z)
done
[ $status -eq 0 ] && echo "layering: every include goes downwards, and the hosts include only the front door"
exit $status
