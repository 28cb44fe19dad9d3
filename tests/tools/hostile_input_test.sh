#!/usr/bin/env bash
# Hostile and damaged input for zevarc and zevpack: unsafe member names, name lengths and sizes at
# the edges of their fields, archives cut at every offset, a symlink planted at an output path,
# and (as root, on small mounted file systems) a full disk and a read-only target. Every case
# must end in bounded time with a clear outcome, and nothing may be written outside the target.
# Usage: hostile_input_test.sh BIN_DIR
set -uo pipefail
bin=$(cd "${1:?usage: hostile_input_test.sh BIN_DIR}" && pwd)
zevarc="$bin/zevarc"
zevpack="$bin/zevpack"
work=$(mktemp -d)
mounts=()
cleanup() {
  for m in "${mounts[@]}"; do umount "$m" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"
export ZEV_MACHINE="$work/machine" LC_ALL=C
failures=0
ok() { echo "ok   $1"; }
bad() { echo "FAIL $1"; failures=$((failures + 1)); }
# outcome DESCRIPTION EXPECTED_EXIT PATTERN COMMAND...: exit code and a line of stderr matching PATTERN.
outcome() {
  local rc=0
  timeout 60 "${@:4}" >"$work/stdout" 2>"$work/stderr" || rc=$?
  if [ "$rc" = "$2" ] && grep -qE "$3" "$work/stderr"; then ok "$1"; else
    bad "$1 (exit $rc, wanted $2 and /$3/)"
    head -c 400 "$work/stderr" | sed 's/aaaaaaaa*/a.../g'; echo
  fi
}

# mkarc OUT NAME [NAMELEN] [USIZE] [CSIZE] [METHOD] [DATA|hex:HEX]: a one-member archive with a
# header written field by field (the writers refuse such names and sizes). A NAMELEN of 32768 or
# more is stored as the negative 16-bit value it is.
mkarc() {
  perl -e '
    my ($out, $name, $nlen, $us, $cs, $m, $data) = @ARGV;
    $data = "hello" if !defined $data || $data eq "";
    $data = pack("H*", substr($data, 4)) if $data =~ /^hex:/;
    $nlen = length($name) if !defined $nlen || $nlen eq "";
    $us = length($data) if !defined $us || $us eq "";
    $cs = length($data) if !defined $cs || $cs eq "";
    $m = 0 if !defined $m || $m eq "";
    my $sum = 0; $sum += ord($_) for split //, $data;
    my $hdr = pack("a5a3l<Cl<l<", "MORV\x1a", "NON", $us > 0 ? $us : 0, 1, 0, 0);
    my $mem = pack("s<l<s<l<l<Cl<l<", $nlen > 32767 ? $nlen - 65536 : $nlen, 0x5A8B6C21, 0x20, $us, $cs, $m, $sum, 0);
    open(my $f, ">:raw", $out) or die; print $f $hdr, $mem, $name, $data; close $f;' "$@"
}

# Everything below the work folder except the target and the tools' machine, to see that an
# extraction wrote nowhere else.
snapshot() { find "$work" -path "$work/machine" -prune -o -path "$work/$1" -prune -o -print | grep -v -e "/stdout$" -e "/stderr$" | sort; }

# --- Unsafe member names under zevarc x ---------------------------------------------------------
long=$(head -c 32767 /dev/zero | tr '\0' a)
deep=$(printf 'd\\%.0s' $(seq 1000))f.txt  # 1000 levels: refused at once, not walked level by level
names=('..\up.txt' 'a\..\..\up2.txt' '\abs.txt' 'C:\drive.txt' 'a/../../slash.txt' $'ctl\x01\x1b[31m.txt' '' "$long"
  'sub\.\x' 'a\b/c\x' 'dir\' 'a\\b' "$deep")
reasons=('climbs out' 'climbs out' 'absolute' 'drive' 'climbs out' 'not a valid file name' 'empty name'
  'not a valid file name|too long|Cannot create' 'empty or "." folder part' 'holds "/"' 'ends in a folder'
  'empty or "." folder part' 'too long')
for i in "${!names[@]}"; do
  name=${names[$i]}
  mkarc "n$i.arc" "$name"
  before=$(snapshot "t$i")
  label="zevarc x refuses the name $(printf %q "${name:0:24}")$([ ${#name} -gt 24 ] && echo "... (${#name} bytes)")"
  outcome "$label" 1 "${reasons[$i]}" "$zevarc" x "n$i.arc" -C "t$i"
  [ "$before" = "$(snapshot "t$i")" ] && ok "$label: nothing written outside" || bad "$label: wrote outside the target"
  [ -z "$(find "t$i" -type f 2>/dev/null)" ] && ok "$label: nothing extracted" || bad "$label: a file was extracted"
  if grep -q $'\x1b' "$work/stderr"; then bad "$label: control character printed raw"; fi
done
# Malformed names among good ones: a message for each, and the others still extract (also with
# --absolute-names, which lets names leave the target but not be malformed).
perl -e '
  my ($out, @names) = @ARGV; my ($members, $total) = ("", 0);
  for my $name (@names) { my $data = "data of $name"; my $sum = 0; $sum += ord($_) for split //, $data;
    $members .= pack("s<l<s<l<l<Cl<l<", length($name), 0x5A8B6C21, 0x20, length($data), length($data), 0, $sum, 0) . $name . $data;
    $total += length($data); }
  open(my $f, ">:raw", $out) or die; print $f pack("a5a3l<Cl<l<", "MORV\x1a", "NON", $total, 1, 0, 0), $members; close $f;
  ' mixed.arc 'first.txt' 'sub\.\x' 'a\b/c\x' 'dir\' 'ok\deep\y.txt' 'last.txt'
for flag in "" --absolute-names; do
  rm -rf tmixed
  "$zevarc" x mixed.arc -C tmixed $flag >/dev/null 2>"$work/stderr"; rc=$?
  [ "$rc" = 1 ] && [ "$(grep -c 'zevarc: mixed.arc: .*: member name' "$work/stderr")" = 3 ] &&
    [ "$(cat tmixed/first.txt tmixed/ok/deep/y.txt tmixed/last.txt 2>/dev/null)" = "data of first.txtdata of ok\deep\y.txtdata of last.txt" ] &&
    ok "zevarc x${flag:+ $flag}: one message per malformed name, the other members extracted" ||
    { bad "zevarc x${flag:+ $flag}: one message per malformed name, the other members extracted (exit $rc)"; cat "$work/stderr"; }
done
mkarc ctl.arc $'ctl\x01\x1b[31m.txt'
"$zevarc" l ctl.arc >"$work/list" 2>&1
grep -q 'ctl\\x01\\x1b\[31m.txt' "$work/list" && ! grep -q $'\x1b' "$work/list" && ok "zevarc l escapes control characters" ||
  bad "zevarc l escapes control characters"
# Bytes 0x80..0x9F: the five that Windows-1252 leaves undefined would print as C1 controls (0x9D
# opens an operating system command on many terminals) and are escaped; the rest are characters.
c1name=$(printf 'c1-\x80\x81\x82\x8c\x8d\x8e\x8f\x90\x91\x9c\x9d\x9e\x9f')
c1printed='c1-€\x81‚Œ\x8dŽ\x8f\x90‘œ\x9džŸ'
raw_c1() { grep -q -e $'\xc2\x81' -e $'\xc2\x8d' -e $'\xc2\x8f' -e $'\xc2\x90' -e $'\xc2\x9d' "$1"; }
mkarc c1.arc "$c1name"
"$zevarc" l c1.arc >"$work/list" 2>&1
grep -qF "$c1printed" "$work/list" && ! raw_c1 "$work/list" && ok "zevarc l escapes the C1 controls, and only them" ||
  { bad "zevarc l escapes the C1 controls, and only them"; grep c1- "$work/list" | od -c | head; }

# --- Name lengths 0x8000..0xFFFF are negative: the archive ends there, damaged ------------------
for nlen in 32768 40000 65535; do
  # A good member first, then the one whose name length is negative.
  mkarc first.arc "good.txt"
  mkarc second.arc "x.txt" "$nlen"
  { cat first.arc; tail -c +22 second.arc; } > neg.arc
  perl -e 'open(my $f, "+<:raw", "neg.arc"); seek($f, 8, 0); print $f pack("l<", 10); close $f'
  outcome "name length $nlen: zevarc t reports the archive as damaged" 1 'header|damaged|ends early' "$zevarc" t neg.arc
  rm -rf tneg
  outcome "name length $nlen: zevarc x reports the archive as damaged" 1 'header|damaged|ends early' "$zevarc" x neg.arc -C tneg
  [ -f tneg/good.txt ] && ok "name length $nlen: the member before it is extracted" || bad "name length $nlen: the member before it is extracted"
done

# --- Declared sizes ------------------------------------------------------------------------------
mkarc negc.arc x.txt "" "" -5
outcome "negative compressed size refused" 1 'header' "$zevarc" x negc.arc -C tnegc
mkarc negu.arc x.txt "" -5 ""
outcome "negative uncompressed size reported as damaged" 1 'ends early|damaged' "$zevarc" x negu.arc -C tnegu
mkarc bigc.arc x.txt "" "" 2147483647
outcome "compressed size 0x7FFFFFFF: the data ends early" 1 'read|ends early|damaged' "$zevarc" x bigc.arc -C tbigc
# A 7-byte LZH5 stream of one block, one literal: its missing bits, read as zeros, would decode
# to 0x7FFFFFFF bytes. The decoder stops at the first bit it does not have (the 64 MiB file-size
# limit only guards against a decoder that does not).
mkarc bigu.arc x.txt "" 2147483647 "" 4 hex:00010000041000
( ulimit -f 65536; outcome "uncompressed size 0x7FFFFFFF over 7 bytes of LZH5: the archive is damaged" 1 \
  'x.txt: .*archive is damaged' "$zevarc" x bigu.arc -C tbigu )
[ "$(stat -c %s tbigu/x.txt 2>/dev/null || echo 0)" -le 65536 ] && ok "the damaged member wrote at most 64 KiB" ||
  bad "the damaged member wrote $(stat -c %s tbigu/x.txt) bytes"
outcome "zevarc t reports the same member as damaged" 1 'x.txt: .*archive is damaged' "$zevarc" t bigu.arc
# The same with no data at all, and with LZH (method 2) data of 3 bytes.
mkarc emptyu.arc x.txt "" 2147483647 0 4 hex:
outcome "LZH5 member with no data declaring 0x7FFFFFFF bytes is damaged" 1 'archive is damaged' "$zevarc" x emptyu.arc -C temptyu
mkarc lzhu.arc x.txt "" 2147483647 "" 2 hex:a5a5a5
outcome "LZH member of 3 bytes declaring 0x7FFFFFFF bytes is damaged" 1 'archive is damaged' "$zevarc" x lzhu.arc -C tlzhu
rm -rf tbigu temptyu tlzhu
# A stored member whose header declares more than it holds: the file written is short.
mkarc shortstored.arc x.txt "" 2147483647 "" 0
outcome "stored member declaring 0x7FFFFFFF bytes but holding 5 fails the test" 1 'damaged' "$zevarc" t shortstored.arc
outcome "stored member declaring 0x7FFFFFFF bytes but holding 5 fails extraction" 1 'damaged' "$zevarc" x shortstored.arc -C tshort

# --- A write refused by the file-size limit is a write error, not a kill (no trap set here) ------
mkdir -p fsz && head -c 300000 /dev/urandom > fsz/big.bin && printf 'small' > fsz/small.txt
"$zevarc" c fsz.arc fsz --method none >/dev/null
( ulimit -f 100; outcome "zevarc x under ulimit -f: exit 1 and a write error" 1 'zevarc: fsz.arc: fsz.big.bin: .*write' \
  "$zevarc" x fsz.arc -C tfsz )
printf '[Setup - Main]\r\n' > fsz/install.cfg
"$zevpack" build fsz fszset --size 1000000 >/dev/null 2>&1
# A temporary folder of its own, so that other tests running beside this one leave nothing in it.
mkdir -p fsz-tmp
leftover() { find fsz-tmp -mindepth 1 -maxdepth 1 2>/dev/null; }
( ulimit -f 100; export TMPDIR="$PWD/fsz-tmp"
  outcome "zevpack extract under ulimit -f: exit 1 and a write error" 1 'zevpack: .*write' \
  "$zevpack" extract fszset -C tfszset )
[ -z "$(leftover)" ] && ok "zevpack extract under ulimit -f removed its temporary folder" ||
  bad "zevpack extract under ulimit -f left $(leftover)"

# --- An archive cut at every offset: a clear outcome each time, never a hang or a crash -----------
mkdir -p pkg/sub && seq 1 150 > pkg/a.txt && printf 'zzzzzzzzzzzzzzzzzzzzzzzz' > pkg/sub/b.bin
for method in none rle lzh lh5; do
  "$zevarc" c "whole-$method.arc" pkg --method "$method" >/dev/null
  size=$(stat -c %s "whole-$method.arc" 2>/dev/null || echo 0)
  [ "$size" -gt 0 ] || { bad "$method archive could not be made"; continue; }
  crashes=0
  for ((n = 0; n < size; n++)); do
    head -c "$n" "whole-$method.arc" > cut.arc
    rc=0
    timeout 10 "$zevarc" t cut.arc >/dev/null 2>"$work/stderr" || rc=$?
    # 0 only for cuts that leave no member; 1 (reported) otherwise; anything else is a crash or hang.
    if [ "$rc" != 0 ] && [ "$rc" != 1 ]; then crashes=$((crashes + 1)); echo "  cut at $n: exit $rc"; fi
    # A cut inside the last padding bits of a coded stream loses nothing: the decoder reads the
    # missing bits as zeros, as it must. That passes only if every file still comes out whole.
    if [ "$rc" = 0 ] && [ "$n" -ge 46 ]; then
      rm -rf cutx
      if "$zevarc" x cut.arc -C cutx >/dev/null 2>&1 && diff -r pkg cutx/pkg >/dev/null 2>&1; then
        echo "  cut at $n of $size: only padding bits lost, every file whole"
      else
        crashes=$((crashes + 1)); echo "  cut at $n passes the test with files damaged"
      fi
    fi
  done
  [ "$crashes" = 0 ] && ok "$method archive cut at each of its $size offsets: damaged or empty, never a crash" ||
    bad "$method archive cut at every offset ($crashes bad outcomes)"
done

# --- A symlink planted at an output path is never followed ----------------------------------------
mkarc link.arc "planted.txt" "" "" "" 0 "payload"
mkdir -p tlink && printf 'precious' > outside.txt && ln -s ../outside.txt tlink/planted.txt
"$zevarc" x link.arc -C tlink >/dev/null 2>"$work/stderr"
[ "$(cat outside.txt)" = precious ] && ok "zevarc x does not write through a planted symlink" ||
  bad "zevarc x wrote through a planted symlink"

# --- zevpack extract: a set whose stored names were changed after building -----------------------
mkdir -p setpkg/docs && printf '[Setup - Main]\r\n' > setpkg/install.cfg && printf 'licence\n' > setpkg/docs/license.txt
printf 'climb' > setpkg/dotdot_12.txt
"$zevpack" build setpkg set --method none >/dev/null 2>&1
# Same length, so every size field stays right: the list file and the archive both name it.
perl -pi -e 's/dotdot_12\.txt/..\\..\\upx.txt/g' set/zevsetup.001
before=$(snapshot tpack)
outcome "zevpack extract refuses a climbing name" 1 'climbs out' "$zevpack" extract set -C tpack
[ "$before" = "$(snapshot tpack)" ] && ok "zevpack extract wrote nothing outside the target" || bad "zevpack extract wrote outside the target"
[ -f tpack/docs/license.txt ] && ok "zevpack extract still writes the safe members" || bad "zevpack extract still writes the safe members"
# The same bytes in a stored name, as zevpack list prints it.
mkdir -p c1pkg && printf '[Setup - Main]\r\n' > c1pkg/install.cfg && printf 'x' > c1pkg/c1-abcdefghijklm
"$zevpack" build c1pkg c1set --method none >/dev/null 2>&1
perl -pi -e "s/c1-abcdefghijklm/$c1name/g" c1set/zevsetup.001
"$zevpack" list c1set >"$work/list" 2>&1
grep -qF "$c1printed" "$work/list" && ! raw_c1 "$work/list" && ok "zevpack list escapes the C1 controls, and only them" ||
  { bad "zevpack list escapes the C1 controls, and only them"; cat "$work/list" | od -c | head; }

# --- Faults on small file systems (root only) ------------------------------------------------------
if [ "$(id -u)" = 0 ] && mkdir -p full && mount -t tmpfs -o size=64k tmpfs full 2>/dev/null; then
  mounts+=("$work/full")
  # The free space is that of the target folder's own file system, not of its drive's root.
  mkarc declared.arc huge.bin "" 2147483647 "" 4 hex:00000000041000
  outcome "zevarc x -C onto a small mount: a member declaring 2 GiB is refused up front" 1 \
    'huge.bin: Not enough disk space to expand' "$zevarc" x declared.arc -C full/declared
  [ -z "$(find full -type f)" ] && ok "nothing was written for it" || bad "a file was written for it: $(find full -type f)"
  mkdir -p bigpkg && printf '[Setup - Main]\r\n' > bigpkg/install.cfg && head -c 300000 /dev/urandom > bigpkg/big.bin
  "$zevpack" build bigpkg bigset --method none >/dev/null 2>&1
  outcome "zevpack extract -C onto a small mount: a member larger than its free space is refused up front" 1 \
    'big.bin: Not enough disk space to expand' "$zevpack" extract bigset -C full/bigset
  [ -z "$(find full -type f)" ] && ok "nothing was written for it" || bad "a file was written for it: $(find full -type f)"
  rm -rf full/declared full/bigset
  head -c 300000 /dev/urandom > pkg/big.bin
  "$zevarc" c big.arc pkg --method none >/dev/null
  outcome "full disk during zevarc x: a write error and exit 1" 1 'zevarc: ' "$zevarc" x big.arc -C full/out
  mkdir -p ro && mount -t tmpfs -o size=64k,ro tmpfs ro 2>/dev/null && mounts+=("$work/ro")
  if [ -n "$(findmnt -n -o OPTIONS "$work/ro" 2>/dev/null | grep -w ro)" ]; then
    outcome "read-only target folder: zevarc x fails with exit 1" 1 'zevarc: ' "$zevarc" x whole-none.arc -C ro
  else
    echo "skip read-only target: a read-only mount could not be made"
  fi
else
  echo "skip full disk and read-only target: they need root and a tmpfs mount"
fi

echo "$failures failed"
[ "$failures" = 0 ]
