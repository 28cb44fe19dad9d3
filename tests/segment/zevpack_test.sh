#!/bin/sh
# zevpack build, list and extract on a package of more than 5 MB spread over several 1.44 MB
# disks, in one folder and in side-by-side disk folders. Usage: zevpack_test.sh BIN_DIR
set -eu

BIN=$(cd "${1:?usage: zevpack_test.sh BIN_DIR}" && pwd)
ZEVPACK="$BIN/zevpack"
WORK=$(mktemp -d "${TMPDIR:-/tmp}/zevpack-test-XXXXXX")
trap '[ -n "${ZEV_KEEP:-}" ] || rm -rf "$WORK"' EXIT
export ZEV_MACHINE="$WORK/machine"
export LC_ALL=C
passed=0
failed=0

check() {
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $*" >&2; fi
}

# A deterministic package: text, numbers, incompressible bytes from a fixed-seed generator,
# runs, an empty file, sub-folders and a name with a blank.
PKG="$WORK/package"
mkdir -p "$PKG/bin" "$PKG/data/deep" "$PKG/docs"
printf '[Setup]\r\nSetup_Header=Test package\r\n' > "$PKG/install.cfg"
seq 1 200000 > "$PKG/data/numbers.txt"
awk 'BEGIN { s = 12345; for (i = 0; i < 3400000; i++) { s = (s * 69069 + 1) % 4294967296; printf "%c", int(s / 16777216) % 255 + 1 } }' > "$PKG/bin/payload.bin"
awk 'BEGIN { s = 99; for (i = 0; i < 600000; i++) { s = (s * 69069 + 1) % 4294967296; printf "%c", int(s / 16777216) % 255 + 1 } }' > "$PKG/data/deep/random2.dat"
yes 'The quick brown fox jumps over the lazy dog.' | head -n 20000 > "$PKG/docs/license.txt"
yes '' | head -c 300000 > "$PKG/data/newlines.txt"
: > "$PKG/empty.txt"
printf 'blank in the name\n' > "$PKG/docs/read me.txt"

size=$(du -sb "$PKG" | cut -f1)
check test "$size" -ge 5000000

# One folder holding copies of the disks.
"$ZEVPACK" build "$PKG" "$WORK/set" 2> "$WORK/build.err" > "$WORK/build.out"
if [ -f "$BIN/zev-setup" ]; then
  check cmp "$BIN/zev-setup" "$WORK/set/install.exe"
else
  check grep -q 'install.exe left out: the setup program is not built yet' "$WORK/build.err"
  check test ! -e "$WORK/set/install.exe"
fi
check cmp "$PKG/install.cfg" "$WORK/set/install.cfg"
check test -f "$WORK/set/zevsetup.004"
for f in "$WORK"/set/zevsetup.0*; do check test "$(wc -c < "$f")" -le 1440000; done
"$ZEVPACK" list "$WORK/set" > "$WORK/list.out"
check grep -qx 'zevsetup.arc (7 file(s))' "$WORK/list.out"
check grep -qx '  data\\deep\\random2.dat' "$WORK/list.out"
"$ZEVPACK" extract "$WORK/set" -C "$WORK/out1" < /dev/null
rm -f "$WORK/package.cmp" && cp -r "$PKG" "$WORK/package.cmp" && rm "$WORK/package.cmp/install.cfg"
check diff -r "$WORK/package.cmp" "$WORK/out1"

# One folder per disk, with the setup program given.
printf 'not really a program\n' > "$WORK/fake-setup"
"$ZEVPACK" build "$PKG" "$WORK/disks" --disk-folders --setup-program "$WORK/fake-setup" --method rle > /dev/null
check cmp "$WORK/fake-setup" "$WORK/disks/disk1/install.exe"
check cmp "$PKG/install.cfg" "$WORK/disks/disk1/install.cfg"
check test -f "$WORK/disks/disk1/zevsetup.001"
check test -f "$WORK/disks/disk3/zevsetup.003"
check test ! -e "$WORK/disks/disk2/install.cfg"
"$ZEVPACK" extract "$WORK/disks/disk1" -C "$WORK/out2" < /dev/null 2> "$WORK/extract2.err"
check test ! -s "$WORK/extract2.err"
check diff -r "$WORK/package.cmp" "$WORK/out2"

# A disk that is nowhere to be found: the prompt says which file is wanted, where it was looked
# for and what the answers do; the end of input cancels.
mv "$WORK/disks/disk2" "$WORK/elsewhere"
if "$ZEVPACK" extract "$WORK/disks/disk1" -C "$WORK/out3" < /dev/null 2> "$WORK/extract3.err"; then
  check false
else
  check grep -q 'Operation aborted by user' "$WORK/extract3.err"
fi
check grep -qx "zevpack: zevsetup.002 (disk 2) is not in $WORK/disks/disk1" "$WORK/extract3.err"
check grep -qx 'Press Enter to look again, type the folder that holds it, or end the input (Ctrl-D) to cancel.' \
  "$WORK/extract3.err"
check grep -q '^Folder of disk 2: ' "$WORK/extract3.err"
if grep -q 'press OK' "$WORK/extract3.err"; then check false; fi
# ... Enter looks again, and a folder typed on the terminal supplies it.
printf '\n%s\n' "$WORK/elsewhere" | "$ZEVPACK" extract "$WORK/disks/disk1" -C "$WORK/out4" 2> "$WORK/extract4.err"
check test "$(grep -c '^Press Enter to look again' "$WORK/extract4.err")" = 2
check diff -r "$WORK/package.cmp" "$WORK/out4"

# Progress: nothing when not on a terminal, each file with --verbose.
mv "$WORK/elsewhere" "$WORK/disks/disk2"
"$ZEVPACK" extract "$WORK/disks/disk1" -C "$WORK/out5" --verbose < /dev/null > "$WORK/verbose.out" 2> "$WORK/verbose.err"
check test ! -s "$WORK/verbose.err"
(cd "$WORK/package.cmp" && find . -type f | sed 's|^\./||; s|/|\\|g' | sort) > "$WORK/files.expected"
sort "$WORK/verbose.out" > "$WORK/verbose.sorted"
check cmp "$WORK/files.expected" "$WORK/verbose.sorted"
"$ZEVPACK" build "$PKG" "$WORK/set" --verbose > "$WORK/build2.out" 2> "$WORK/build2.err"
check test ! -s "$WORK/build2.err"
grep -v ' segment(s) of at most ' "$WORK/build2.out" | sort > "$WORK/build2.sorted"
check cmp "$WORK/files.expected" "$WORK/build2.sorted"

# Help, version, usage errors in one line, and files named as typed.
"$ZEVPACK" -h > "$WORK/help.out"
check grep -q '^usage: zevpack build' "$WORK/help.out"
check grep -qx 'zevpack [0-9.]*' <<EOF
$("$ZEVPACK" --version)
EOF
for args in "" "frobnicate x" "build x" "list x --size 20000" "extract x -C"; do
  # shellcheck disable=SC2086
  if "$ZEVPACK" $args > /dev/null 2> "$WORK/usage.err"; then check false; else check test $? -eq 2; fi
  check test "$(wc -l < "$WORK/usage.err")" -eq 2
  check grep -qx "Try 'zevpack --help'." "$WORK/usage.err"
done
mkdir -p "$WORK/sub"
cd "$WORK"
if "$ZEVPACK" list sub/../nosuch 2> "$WORK/missing.err"; then check false; fi
check grep -qx 'zevpack: sub/../nosuch: not a folder' "$WORK/missing.err"

# Names that the setup program would flatten onto each other are refused.
mkdir -p "$WORK/clash/a" "$WORK/clash/b"
printf 'x' > "$WORK/clash/install.cfg"
printf '1' > "$WORK/clash/a/Same.txt"
printf '2' > "$WORK/clash/b/same.TXT"
if "$ZEVPACK" build "$WORK/clash" "$WORK/clash-set" 2> "$WORK/clash.err"; then check false; fi
check grep -q 'has the same file name as' "$WORK/clash.err"

echo "$passed passed, $failed failed"
test "$failed" -eq 0
