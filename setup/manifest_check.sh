#!/bin/sh
# Checks that a Windows program carries a manifest asking for administrator rights: reads the
# resource section out of the .exe and looks for the requested execution level in it.
#   manifest_check.sh OBJCOPY PROGRAM.exe
set -eu
objcopy=$1
program=$2
section=$(mktemp)
trap 'rm -f "$section"' EXIT
"$objcopy" -O binary --only-section=.rsrc "$program" "$section"
if ! grep -q 'requestedExecutionLevel level="requireAdministrator"' "$section"; then
  echo "$program: no manifest asking for administrator rights" >&2
  exit 1
fi
