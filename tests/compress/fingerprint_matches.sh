#!/usr/bin/env bash
# Two builds' codecs behave alike when their codec_fingerprint programs print the same lines:
#   fingerprint_matches.sh REFERENCE_PROGRAM COMMAND [ARG...]
# COMMAND runs the other build's program (a Windows one ends its lines with CR LF).
set -euo pipefail
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
"$1" > "$folder/reference"
shift
"$@" | tr -d '\r' > "$folder/other"
[ -s "$folder/reference" ] || { echo "the reference printed nothing" >&2; exit 1; }
diff "$folder/reference" "$folder/other"
echo "$(wc -l < "$folder/reference") lines alike"
