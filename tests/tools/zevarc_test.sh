#!/usr/bin/env bash
# End-to-end checks of zevarc: create, list, extract, print and test archives of every method,
# locked and open, and the refusal of unsafe member names and damaged data.
set -euo pipefail
bin=$(cd "$1" && pwd)
zevarc="$bin/zevarc"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export ZEV_MACHINE="$work/machine"
failures=0
check() {  # check DESCRIPTION COMMAND...: the command must succeed
  if "${@:2}" >/dev/null; then echo "ok   $1"; else echo "FAIL $1"; failures=$((failures + 1)); fi
}
fails_with() {  # fails_with DESCRIPTION EXPECTED_EXIT COMMAND...
  local rc=0
  "${@:3}" >/dev/null 2>"$work/stderr" || rc=$?
  if [ "$rc" = "$2" ]; then echo "ok   $1"; else echo "FAIL $1 (exit $rc, wanted $2)"; cat "$work/stderr"; failures=$((failures + 1)); fi
}

mkdir -p pkg/sub/deeper
seq 1 30000 > pkg/numbers.txt
awk 'BEGIN { srand(7); for (i = 0; i < 40000; i++) printf "%c", int(rand() * 256) }' > pkg/sub/noise.bin
printf 'zzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz' > pkg/sub/deeper/runs
: > pkg/empty
touch -d '2020-02-29 13:37:42' pkg/numbers.txt
chmod a-w pkg/sub/deeper/runs

for method in none rle lzh lh5; do
  for key in 0 123456; do
    name="$method-$key"
    check "$name: create" "$zevarc" c "$name.arc" pkg --method "$method" --key "$key"
    check "$name: test" "$zevarc" t "$name.arc" --key "$key"
    check "$name: extract" "$zevarc" x "$name.arc" -C "out-$name" --key "$key"
    check "$name: same bytes" diff -r pkg "out-$name/pkg"
    check "$name: same date" test "$(stat -c %Y pkg/numbers.txt)" = "$(stat -c %Y "out-$name/pkg/numbers.txt")"
    check "$name: read-only kept" test ! -w "out-$name/pkg/sub/deeper/runs" -o "$(id -u)" = 0
    check "$name: print" cmp <("$zevarc" p "$name.arc" --key "$key" 'PKG\NUMBERS.TXT') pkg/numbers.txt
  done
done
for level in fast best; do
  check "lh5 $level: create" "$zevarc" c "$level.arc" pkg --level "$level" --key 99
  check "lh5 $level: extract" "$zevarc" x "$level.arc" -C "out-$level" --key 99
  check "lh5 $level: same bytes" diff -r pkg "out-$level/pkg"
done
fails_with "unknown level" 2 "$zevarc" c bad-level.arc pkg --level quick
check "list shows names and methods" grep -q 'LH5 .*pkg\\sub\\deeper\\runs' <("$zevarc" l lh5-0.arc)
check "list shows the lock" grep -q ' yes  pkg' <("$zevarc" l rle-123456.arc)
fails_with "locked archive without the key" 1 "$zevarc" t rle-123456.arc
fails_with "wrong key" 1 "$zevarc" x rle-123456.arc -C wrong --key 1

# A flipped byte in the data of a member is reported by name.
for method in none rle; do
  cp "$method-0.arc" "bad-$method.arc"
  size=$(stat -c %s "bad-$method.arc")
  printf '\x55' | dd of="bad-$method.arc" bs=1 seek=$((size - 3)) conv=notrunc status=none
  fails_with "$method: flipped byte fails the test" 1 "$zevarc" t "bad-$method.arc"
  check "$method: the bad member is named" grep -q 'Bad checksum' "$work/stderr"
done

# Member names that would leave the target folder are refused; the rest still extract.
mkdir -p evil && printf 'safe' > evil/safe.txt && printf 'x' > evil/up.txt
"$zevarc" c evil.arc evil --method none
sed -i 's/evil\\up\.txt/..\\\\up.txt/' evil.arc
fails_with "climbing name refused" 1 "$zevarc" x evil.arc -C target
check "refusal names the member" grep -q 'climbs out' "$work/stderr"
check "other members still extract" test -f target/evil/safe.txt
check "nothing written outside the target" test ! -e up.txt -a ! -e target/../up.txt

# An archive cut inside a member header is damaged, even though the walk ends quietly there.
size=$(stat -c %s rle-0.arc)
head -c $((size - $(stat -c %s pkg/sub/noise.bin) - 30)) rle-0.arc > cut.arc
fails_with "cut archive fails the test" 1 "$zevarc" t cut.arc
check "cut archive reported as ending early" grep -q 'archive ends early' "$work/stderr"
fails_with "cut archive fails extraction" 1 "$zevarc" x cut.arc -C cut
check "members before the cut are extracted" cmp pkg/numbers.txt cut/pkg/numbers.txt

# A listing sees damage in the headers too: data cut short, or members short of the announced total.
fails_with "list of an archive cut inside a member header" 1 "$zevarc" l cut.arc
check "... says the archive ends early" grep -q 'cut.arc: archive ends early' "$work/stderr"
head -c $((size - 100)) rle-0.arc > cut-data.arc
fails_with "list of an archive cut inside member data" 1 "$zevarc" l cut-data.arc
check "... names the member whose data is cut" grep -q 'cut-data.arc: pkg\\sub\\noise.bin: archive ends early' "$work/stderr"
check "list of a whole archive" "$zevarc" l rle-0.arc

# Help, version and usage errors: one line saying what is wrong, and where to look.
check "-h" grep -q '^usage: zevarc c ARCHIVE' <("$zevarc" -h)
check "--help" grep -q '^usage: zevarc c ARCHIVE' <("$zevarc" --help)
check "--version" grep -qx 'zevarc [0-9.]*' <("$zevarc" --version)
for args in "q x.arc" "l" "c x.arc" "l x.arc --frobnicate" "x x.arc --key" "c x.arc pkg -j 0" "c x.arc pkg -j 65"; do
  # shellcheck disable=SC2086
  fails_with "usage error: $args" 2 "$zevarc" $args
  check "... one line and the way to help" test "$(wc -l < "$work/stderr")" = 2
  check "... which says what is wrong" grep -q '^zevarc: ' <(head -n 1 "$work/stderr")
  check "... then Try" grep -qx "Try 'zevarc --help'." <(tail -n 1 "$work/stderr")
done
fails_with "-- ends the options" 1 "$zevarc" c dash.arc -- -h
check "... so -h is a file" grep -qx 'zevarc: dash.arc: -h: No such file or directory' "$work/stderr"

# Files named on the command line are named as typed, never in their Windows form.
mkdir -p sub
fails_with "missing archive" 1 "$zevarc" l sub/../missing.arc
check "... named as typed" grep -qx 'zevarc: sub/../missing.arc: No such file or directory' "$work/stderr"
fails_with "archive in a missing folder" 1 "$zevarc" c nodir/new.arc pkg
check "... named as typed" grep -qx 'zevarc: nodir/new.arc: Cannot create file nodir/new.arc' "$work/stderr"
fails_with "missing input" 1 "$zevarc" c new.arc sub/../absent
check "... named as typed" grep -qx 'zevarc: new.arc: sub/../absent: No such file or directory' "$work/stderr"

# The progress line: on a terminal only, not with --quiet; --verbose lists each file.
"$zevarc" c quiet.arc pkg 2> "$work/stderr" > "$work/stdout"
check "no progress when not on a terminal" test ! -s "$work/stderr" -a ! -s "$work/stdout"
check "--verbose lists each file" cmp <("$zevarc" c verbose.arc pkg --verbose) <(printf '%s\n' 'pkg\empty' \
  'pkg\numbers.txt' 'pkg\sub\deeper\runs' 'pkg\sub\noise.bin')
if command -v script > /dev/null; then
  script -qec "'$zevarc' c tty.arc pkg" /dev/null > "$work/tty.out"
  check "progress on a terminal: file, percent, throughput" grep -q 'pkg\\.* [0-9]*%  [0-9.]* [KMG]*B/s' "$work/tty.out"
  script -qec "'$zevarc' x tty.arc -C tty --quiet" /dev/null > "$work/tty.out"
  check "--quiet: no progress on a terminal" test ! -s "$work/tty.out"
  check "... and the files are there" diff -r pkg tty/pkg
else
  echo "note: script (bsdutils) not installed; the progress line on a terminal is not checked"
fi

echo "$failures failed"
[ "$failures" = 0 ]
