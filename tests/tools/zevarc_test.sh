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

fails_with "usage error" 2 "$zevarc" q x.arc
fails_with "missing archive" 1 "$zevarc" l missing.arc
check "help" "$zevarc" --help

echo "$failures failed"
[ "$failures" = 0 ]
