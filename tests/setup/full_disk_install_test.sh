#!/bin/sh
# A full disk during an unattended installation: the target drive E: is a 64 KiB tmpfs (root only;
# otherwise the test skips with a message) that a 200 KB payload cannot fit on. zev-setup must end
# with exit 1 and name what was not installed and why; the disk folders it installs from are left
# as they were, the files of an earlier installation on that drive stay, and the uninstall list
# already written keeps its records. Usage: full_disk_install_test.sh BIN_DIR
set -u
bin=$(cd "$1" && pwd)
work=$(mktemp -d)
target=$work/target
cleanup() {
  umount "$target" 2>/dev/null
  [ -n "${ZEV_KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
export LC_ALL=C
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

if [ "$(id -u)" != 0 ]; then
  echo "skip full disk during installation: it needs root to mount a small tmpfs"
  exit 0
fi
mkdir -p "$target"
if ! mount -t tmpfs -o size=64k tmpfs "$target" 2>/dev/null; then
  echo "skip full disk during installation: a tmpfs could not be mounted"
  exit 0
fi

pkg=$work/package
mkdir -p "$pkg/bin" "$pkg/data"
head -c 200000 /dev/urandom > "$pkg/data/payload.bin"
printf 'the program\n' > "$pkg/bin/app.exe"
printf 'Licence terms\n' > "$pkg/license.txt"
sed 's/$/\r/' > "$pkg/install.cfg" <<'CFG'
[Setup - Main]
Install Dir=App
Folder=App
[Directories]
D1=<INSTALLDIR>~
D2=<SUB1>~data
[Files]
F1=bin\app.exe~<INSTALLDIR>
F2=data\payload.bin~<SUB1>
CFG
printf 'stand-in for install.exe\n' > "$work/setup-program"
"$bin/zevpack" build "$pkg" "$work/disks" --disk-folders --size 1000000 --setup-program "$work/setup-program" \
  > /dev/null || fail "zevpack build"

cat > "$work/answers.ini" <<'ANS'
[Wizard]
License=accept
Destination=E:\App
Folder=App
[Answers]
Overwrite=Yes
ANS

# An earlier installation on the target drive: its files and its uninstall list.
mkdir -p "$target/Other" "$target/App"
printf 'installed before\n' > "$target/Other/keep.txt"
printf 'the program, older\n' > "$target/App/old.txt"
printf '[Name]\r\nName=App\r\n[Custom]\r\nkeep=1\r\n' > "$target/App/uninstall.cfg"
sums() { (cd "$work/disks" && find . -type f | sort | xargs sha256sum); }
sums > "$work/disks.before"

(cd "$work/disks/disk1" && "$bin/zev-setup" --machine "$work/machine" --drive "E=$target" --unattended "$work/answers.ini" \
  --log "$work/full.log") > "$work/full.out" 2> "$work/full.err"
rc=$?

[ "$rc" = 1 ] || fail "exit $rc, expected 1"
grep -q 'E:\\App\\data\\payload.bin' "$work/full.err" || fail "the file that was not installed is not named"
grep -qi 'space\|disk is full\|write' "$work/full.err" || fail "the reason (a full disk) is not given"
grep -q '^zev-setup: ' "$work/full.err" || fail "no error line of the program"
sums | cmp -s - "$work/disks.before" || fail "the disk folders changed"
[ "$(cat "$target/Other/keep.txt")" = 'installed before' ] || fail "a file of the earlier installation changed"
[ "$(cat "$target/App/old.txt")" = 'the program, older' ] || fail "a file already in the installation folder changed"
list=$target/App/uninstall.cfg
grep -q '^keep=1' "$list" || fail "uninstall.cfg lost a section it kept"
grep -q '^Name=App' "$list" || fail "uninstall.cfg lost its Name"
grep -q '^E:\\App\\\*\.\*=' "$list" || fail "uninstall.cfg lost the record written before the disk filled"
cmp -s "$work/setup-program" "$target/App/install.exe" || fail "install.exe, copied before the disk filled, is not whole"
[ "$(cat "$target/App/app.exe" 2>/dev/null)" = 'the program' ] || fail "app.exe, copied before the disk filled, is not whole"

if [ "$failures" != 0 ]; then
  echo "--- stderr"; cat "$work/full.err"; echo "--- uninstall.cfg"; cat "$list"; echo "--- target"; ls -laR "$target"
fi
cat "$work/full.err" | sed "s/^/    /"
echo "$failures failed"
[ "$failures" = 0 ]
