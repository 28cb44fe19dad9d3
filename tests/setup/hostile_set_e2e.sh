#!/bin/sh
# Hostile disk sets through an unattended zev-setup. Each run must end with a clear outcome in
# bounded time, and leave nothing behind in the Windows directory's Temp folder:
#   - a write refused by the file-size limit (ulimit -f) is a write error, exit 1, not a kill;
#   - a member of 7 bytes declaring 2 GiB - 1 is damaged, exit 1;
#   - members of a list archive beyond the list file are never written;
#   - a list file of more than 65536 records is a damaged set, exit 1;
#   - a licence of more than 10,000 lines is cut, with a note in the log.
# Usage: hostile_set_e2e.sh BIN_DIR
set -u
. "$(dirname "$0")/e2e_common.sh"

# mkset DIR ARCHIVE_MEMBERS LIST_MEMBERS WIDTH: a one-segment set DIR/zevsetup.001 of one archive.
# The members are given as perl lists of [name, data, method, declared size] (declared defaults to
# the data's length; method 0 stores). The first list member is the list file.
mkset() {
  mkdir -p "$1"
  perl -e '
    my ($dir, $arcSpec, $listSpec, $width) = @ARGV;
    sub archive {
      my ($members, $total) = ("", 0);
      for my $m (@_) {
        my ($name, $data, $method, $declared) = @$m;
        $declared = length($data) unless defined $declared;
        my $sum = 0; $sum += ord($_) for split //, $data;
        $members .= pack("s<l<s<l<l<Cl<l<", length($name), 0x5A8B6C21, 0x20, $declared, length($data), $method,
                         $sum, 0) . $name . $data;
        $total += $declared;
      }
      return pack("a5a3l<Cl<l<", "MORV\x1a", "LH5", $total, 1, 0, 0) . $members;
    }
    my $arc = archive(@{eval $arcSpec});
    my $list = archive(@{eval $listSpec});
    my $template = "C:\\APP\\*.*";
    my $stream = pack("a4vvCa12", "SHdr", 0, 1, 0, "") .
                 pack("a4vvCl<l<", "Scan", 0, length($template), 0, $width, length($list)) . $template . $list .
                 pack("a4vvVl<", "SArc", 0, 0, 0, length($arc)) . $arc;
    open(my $f, ">:raw", "$dir/zevsetup.001") or die; print $f "SSeg\0\0\0\0", $stream; close $f;
    open($f, ">:raw", "$dir/install.cfg") or die; print $f "[Setup - Main]\r\nInstall Dir=App\r\n"; close $f;
  ' "$1" "$2" "$3" "$4"
}

run_setup() {  # run_setup DIR NAME: runs in DIR on the machine $work/NAME; leaves $rc, NAME.log, NAME.err
  (cd "$1" && timeout 60 "$bin/zev-setup" --machine "$work/$2" --unattended --log "$work/$2.log") \
    > "$work/$2.out" 2> "$work/$2.err"
  rc=$?
}
temp_clean() {  # temp_clean NAME: nothing of the run is left in C:\WINDOWS\Temp
  left=$(find "$work/$1/drive_c/WINDOWS/Temp" -mindepth 1 2>/dev/null)
  [ -z "$left" ] || fail "$1: left behind in the Temp folder: $left"
}

# 1. A payload larger than the file-size limit allows: no trap is set, the program sees EFBIG.
pkg=$work/package
mkdir -p "$pkg"
head -c 300000 /dev/urandom > "$pkg/payload.bin"
printf 'Licence terms\n' > "$pkg/license.txt"
printf '[Setup - Main]\r\nInstall Dir=App\r\n[Files]\r\nF1=payload.bin~<INSTALLDIR>\r\n' > "$pkg/install.cfg"
"$bin/zevpack" build "$pkg" "$work/limited" --method none > /dev/null 2>&1 || fail "zevpack build"
(ulimit -f 100; run_setup "$work/limited" limited; exit $rc)
rc=$?
[ "$rc" = 1 ] || fail "ulimit -f: exit $rc, expected 1"
grep -q '^zev-setup: .*write error' "$work/limited.err" || { fail "ulimit -f: no write error named"; cat "$work/limited.err"; }
temp_clean limited

# 2. Seven bytes of LZH5 data declaring 2 GiB - 1: one literal, then the stream needs bits it does
# not have.
mkset "$work/declared" '[["x.bin", "\x00\x01\x00\x00\x04\x10\x00", 4, 2147483647]]' '[["zevsetup.lst", "x.bin", 0]]' 5
run_setup "$work/declared" declared
[ "$rc" = 1 ] || fail "declared 2 GiB: exit $rc, expected 1"
grep -q '^zev-setup: .*archive is damaged' "$work/declared.err" || { fail "declared 2 GiB: not reported as damaged"; cat "$work/declared.err"; }
temp_clean declared

# 3. A list archive with members beyond the list file: a large one, one in a folder, and one with
# the list file's name. The licence is declined (exit 3); nothing of the list archive stays.
mkset "$work/extras" '[["license.txt", "terms\r\nof use\r\n", 0]]' \
  '[["zevsetup.lst", "license.txt", 0], ["extra.bin", "x" x 200000, 0], ["sub\\extra.txt", "extra", 0], ["ZEVSETUP.LST", "other", 0]]' 11
run_setup "$work/extras" extras
[ "$rc" = 3 ] || { fail "list extras: exit $rc, expected 3 (licence declined)"; cat "$work/extras.err"; }
grep -q 'expanding license.txt$' "$work/extras.log" || fail "list extras: the licence was not expanded"
temp_clean extras

# 4. A list file of 65537 one-byte records.
mkset "$work/records" '[["a", "x", 0]]' "[[\"zevsetup.lst\", \"a\" x 65537, 0]]" 1
run_setup "$work/records" records
[ "$rc" = 1 ] || fail "65537 records: exit $rc, expected 1"
grep -q '^zev-setup: .*List file too large: the set is damaged' "$work/records.err" ||
  { fail "65537 records: no word of the list file"; cat "$work/records.err"; }
temp_clean records

# 5. A licence of 2 MiB of newlines: shown up to 10,000 lines, and the log says it was cut.
mkdir -p "$work/licpkg"
head -c 2097152 /dev/zero | tr '\0' '\n' > "$work/licpkg/license.txt"
printf '[Setup - Main]\r\nInstall Dir=App\r\n' > "$work/licpkg/install.cfg"
"$bin/zevpack" build "$work/licpkg" "$work/licence" > /dev/null 2>&1 || fail "zevpack build of the licence package"
run_setup "$work/licence" licence
[ "$rc" = 3 ] || fail "long licence: exit $rc, expected 3 (licence declined)"
grep -q 'licence text cut after 10000 lines' "$work/licence.log" || fail "long licence: no note of the cut in the log"
temp_clean licence

echo "$failures failed"
[ "$failures" = 0 ]
