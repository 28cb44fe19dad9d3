#!/bin/sh
# End-to-end runs of zev-setup on disk sets made by zevpack from the sample package:
# one folder, side-by-side disk folders, a missing segment, answers files, the preview.
# Usage: zev_setup_e2e.sh BIN_DIR REPO_DIR
set -u
bin=$(cd "$1" && pwd)
repo=$(cd "$2" && pwd)
work=$(mktemp -d)
trap '[ -n "${ZEV_KEEP:-}" ] || rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The sample package with a payload big enough for several 16 KB segments.
pkg=$work/package
cp -r "$repo/samples/package" "$pkg"
mkdir -p "$pkg/bin/data"
head -c 50000 /dev/urandom > "$pkg/bin/data/payload.bin"
printf 'stand-in for install.exe\n' > "$pkg/install.exe"

run_setup() {  # run_setup DIR NAME [extra args]: runs in DIR, leaves $rc, NAME.log, NAME.err
  dir=$1 name=$2
  shift 2
  (cd "$dir" && "$bin/zev-setup" --machine "$work/machine-$name" --unattended "$@" --log "$work/$name.log") \
    > "$work/$name.out" 2> "$work/$name.err"
  rc=$?
}

expect_expanded() {  # expect_expanded NAME: every payload file was expanded, the folder is gone
  for f in zevdemo.txt manual.txt changes.txt license.txt payload.bin; do
    grep -q "expanding $f\$" "$work/$1.log" || fail "$1: $f not expanded"
  done
  [ ! -e "$work/machine-$1/drive_c/WINDOWS/Temp/z" ] || fail "$1: temporary folder left behind"
  # No answers file: the wizard declines the licence and nothing is installed.
  grep -q "licence was declined" "$work/$1.err" || fail "$1: no word about the declined licence"
}

# One folder holding every segment.
"$bin/zevpack" build "$pkg" "$work/flat" --size 16384 > /dev/null || fail "zevpack build"
[ -f "$work/flat/zevsetup.003" ] || fail "flat: expected at least three segments"
run_setup "$work/flat" flat
[ "$rc" = 3 ] || fail "flat: exit $rc, expected 3 (licence declined)"
expect_expanded flat
grep -q ' box ' "$work/flat.log" && fail "flat: a box was shown"

# Side-by-side disk folders, started in disk1: no message at all.
"$bin/zevpack" build "$pkg" "$work/disks" --size 16384 --disk-folders > /dev/null || fail "zevpack build --disk-folders"
run_setup "$work/disks/disk1" disks
[ "$rc" = 3 ] || fail "disks: exit $rc"
expect_expanded disks
grep -q ' box ' "$work/disks.log" && fail "disks: a box was shown"
grep -q 'disk 2 inserted' "$work/disks.log" || fail "disks: disk 2 not inserted"

# Segment 2 missing: the disk message twice, then the reader's box; the cause names the file.
rm "$work/flat/zevsetup.002"
run_setup "$work/flat" missing
[ "$rc" = 1 ] || fail "missing: exit $rc"
[ "$(grep -c 'box "Please Insert Disk #2 into Floppy Drive."' "$work/missing.log")" = 2 ] || fail "missing: disk message count"
grep -q 'box "Unable to locate "zevsetup.002"' "$work/missing.log" || fail "missing: no reader box"
grep -q 'zevsetup.002' "$work/missing.err" || fail "missing: the message does not name the segment"
[ ! -e "$work/machine-missing/drive_c/WINDOWS/Temp/z" ] || fail "missing: temporary folder left behind"

# An answers file that says OK to the reader's box: repeated three times, then Cancel.
printf '; retry the missing disk\n[Answers]\nMissingSegment=OK\n' > "$work/retry.ini"
run_setup "$work/flat" retry "$work/retry.ini"
[ "$rc" = 1 ] || fail "retry: exit $rc"
[ "$(grep -c 'box "Unable to locate' "$work/retry.log")" = 4 ] || fail "retry: reader box not cut off after three OKs"

# Started outside the first disk's folder: the host folder is named, and where setup starts.
mkdir -p "$work/elsewhere"
run_setup "$work/elsewhere" elsewhere
[ "$rc" = 1 ] || fail "elsewhere: exit $rc"
grep -qx "zev-setup: no zevsetup.001 in $(cd "$work/elsewhere" && pwd -P): setup starts in the first disk's folder, the one that holds install.cfg and zevsetup.001" \
  "$work/elsewhere.err" || { fail "elsewhere: the message"; cat "$work/elsewhere.err"; }

# A bad answers file, and bad usage.
printf '[Answers]\nMissingSegment=OK ; comment\n' > "$work/bad.ini"
run_setup "$work/flat" bad "$work/bad.ini"
[ "$rc" = 2 ] || fail "bad answers: exit $rc"
grep -q 'line 2' "$work/bad.err" || fail "bad answers: no line number"
"$bin/zev-setup" --frobnicate > /dev/null 2> "$work/usage.err"
[ $? = 2 ] || fail "unknown option not refused"
[ "$(cat "$work/usage.err")" = "zev-setup: unknown argument \"--frobnicate\"
Try 'zev-setup --help'." ] || fail "usage error: not one line and Try"
"$bin/zev-setup" -h | grep -q '^Usage: zev-setup' || fail "-h"
(cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY "$bin/zev-setup" > /dev/null 2>&1)
[ $? = 2 ] || fail "run without display and without --unattended not refused"

# The preview draws the main screen of ./install.cfg.
(cd "$pkg" && "$bin/zev-setup" --preview "$work/main.png" --size 320x200) || fail "preview"
[ "$(head -c 4 "$work/main.png" | tail -c 3)" = PNG ] || fail "preview: not a PNG"

[ "$failures" = 0 ] && echo "zev-setup end to end: all passed"
exit "$failures"
