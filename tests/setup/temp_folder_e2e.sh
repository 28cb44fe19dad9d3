#!/bin/sh
# The private temporary folder under zev-setup: when the Windows directory's Temp\z is a symbolic
# link, a plain file or (as root) a folder of another user, or the Temp folder above it is a link
# out of the drive, the program refuses to run, exit 1, with a message naming the folder and what
# is wrong with it; it neither writes into nor clears what a link points to or the other user's
# folder. A real folder of the user is used and removed. Usage: temp_folder_e2e.sh BIN_DIR
set -u
. "$(dirname "$0")/e2e_common.sh"

pkg=$work/package
mkdir -p "$pkg"
printf 'the program\n' > "$pkg/app.exe"
printf 'Licence terms\n' > "$pkg/license.txt"
printf '[Setup - Main]\r\nInstall Dir=App\r\n[Directories]\r\nD1=<INSTALLDIR>~\r\n[Files]\r\nF1=app.exe~<INSTALLDIR>\r\n' \
  > "$pkg/install.cfg"
printf 'stand-in for install.exe\n' > "$work/setup-program"
"$bin/zevpack" build "$pkg" "$work/disks" --disk-folders --size 100000 --setup-program "$work/setup-program" \
  > /dev/null || fail "zevpack build"
printf '[Wizard]\nLicense=accept\nDestination=C:\\App\n' > "$work/answers.ini"

run_setup() {  # run_setup NAME: installs into the machine $work/NAME; leaves $rc and NAME.err
  (cd "$work/disks/disk1" && "$bin/zev-setup" --machine "$work/$1" --unattended "$work/answers.ini") \
    > "$work/$1.out" 2> "$work/$1.err"
  rc=$?
}
refused() {  # refused NAME REASON: exit 1, the reason named, nothing installed
  [ "$rc" = 1 ] || fail "$1: exit $rc, expected 1"
  grep -q "^zev-setup: The temporary folder C:\\\\WINDOWS\\\\Temp\\\\z (.*) $2; remove it and run again\$" "$work/$1.err" ||
    { fail "$1: message"; cat "$work/$1.err"; }
  [ ! -e "$work/$1/drive_c/App" ] || fail "$1: something was installed"
}

# 1. Temp\z is a symbolic link to a folder elsewhere, holding a file.
mkdir -p "$work/link/drive_c/WINDOWS/Temp" "$work/elsewhere"
printf 'not the setup program'"'"'s\n' > "$work/elsewhere/keep.txt"
ln -s "$work/elsewhere" "$work/link/drive_c/WINDOWS/Temp/z"
run_setup link
refused link "is a symbolic link"
[ -L "$work/link/drive_c/WINDOWS/Temp/z" ] || fail "link: the link was removed or replaced"
[ "$(ls "$work/elsewhere")" = keep.txt ] || fail "link: the folder it points to was written to or cleared"

# 2. A dangling link: refused the same way, and nothing is created where it points.
mkdir -p "$work/dangling/drive_c/WINDOWS/Temp"
ln -s "$work/nowhere" "$work/dangling/drive_c/WINDOWS/Temp/z"
run_setup dangling
refused dangling "is a symbolic link"
[ ! -e "$work/nowhere" ] || fail "dangling: the link was followed"

# 3. Temp\z is a file.
mkdir -p "$work/file/drive_c/WINDOWS/Temp"
printf 'x' > "$work/file/drive_c/WINDOWS/Temp/z"
run_setup file
refused file "is not a directory"
[ "$(cat "$work/file/drive_c/WINDOWS/Temp/z")" = x ] || fail "file: the file changed"

# 4. Temp\z belongs to another user (only root can make one).
if [ "$(id -u)" = 0 ] && id nobody > /dev/null 2>&1; then
  mkdir -p "$work/other/drive_c/WINDOWS/Temp/z"
  printf 'theirs\n' > "$work/other/drive_c/WINDOWS/Temp/z/theirs.txt"
  chmod 777 "$work/other/drive_c/WINDOWS/Temp/z"
  chown -R nobody "$work/other/drive_c/WINDOWS/Temp/z"
  run_setup other
  refused other "belongs to another user"
  [ "$(ls "$work/other/drive_c/WINDOWS/Temp/z")" = theirs.txt ] || fail "other: the other user's folder was written to or cleared"
  [ "$(stat -c '%U %a' "$work/other/drive_c/WINDOWS/Temp/z")" = "nobody 777" ] || fail "other: the folder's owner or mode changed"
else
  echo "skip a temporary folder of another user: making one needs root and the user nobody"
fi

# 5. Not z but the Temp folder above it is a link out of the drive: refused before anything is made.
mkdir -p "$work/parent/drive_c/WINDOWS" "$work/outside"
ln -s "$work/outside" "$work/parent/drive_c/WINDOWS/Temp"
run_setup parent
[ "$rc" = 1 ] || fail "parent: exit $rc, expected 1"
grep -q '^zev-setup: The temporary folder C:\\WINDOWS\\Temp\\z cannot be used: ' "$work/parent.err" ||
  { fail "parent: message"; cat "$work/parent.err"; }
[ -z "$(ls "$work/outside")" ] || fail "parent: something was made through the link"

# 6. The user's own folder, left open by an earlier run: used, and removed at the end.
mkdir -p "$work/own/drive_c/WINDOWS/Temp/z"
chmod 777 "$work/own/drive_c/WINDOWS/Temp/z"
run_setup own
[ "$rc" = 0 ] || { fail "own: exit $rc"; cat "$work/own.err"; }
[ "$(cat "$work/own/drive_c/App/app.exe" 2>/dev/null)" = 'the program' ] || fail "own: app.exe not installed"
[ ! -e "$work/own/drive_c/WINDOWS/Temp/z" ] || fail "own: the temporary folder was left behind"

echo "$failures failed"
[ "$failures" = 0 ]
