#!/bin/sh
# End-to-end installs with zev-setup: a package packed by zevpack into three disk folders,
# installed unattended from disk1 and checked file by file, with its uninstall.cfg, links, INI
# value and temporary folder; a declined licence; a stopped and an incomplete installation;
# overwrite answers by file name. Usage: install_e2e.sh BIN_DIR
set -u
. "$(dirname "$0")/e2e_common.sh"

pkg=$work/package
make_test_package "$pkg"
pack_disks "$pkg" "$work/disks"
[ -d "$work/disks/disk3" ] || fail "expected three disk folders"

run_setup() {  # run_setup NAME MACHINE [answers]: runs from disk1; leaves $rc, NAME.log, NAME.err
  name=$1 machine=$2
  shift 2
  (cd "$work/disks/disk1" && "$bin/zev-setup" --machine "$machine" --unattended "$@" --log "$work/$name.log") \
    > "$work/$name.out" 2> "$work/$name.err"
  rc=$?
}

cat > "$work/answers.ini" <<'ANS'
; everything answered
[Wizard]
License=accept
Destination=C:\Apps\Test App
Folder=My Tools
FolderStartMenu=1
FolderDesktop=0
InstallType=full
Launch=0
[Answers]
Overwrite=No
Desktop=Yes
StartMenu=No
[Options]
Default=last
ANS

# 1. A full installation.
m=$work/machine
run_setup full "$m" "$work/answers.ini"
[ "$rc" = 0 ] || { fail "full: exit $rc"; cat "$work/full.err"; }
c=$m/drive_c
inst="$c/Apps/Test App"
cmp -s "$pkg/bin/app.exe" "$inst/app.exe" || fail "app.exe differs"
cmp -s "$pkg/bin/lib.dll" "$inst/lib.dll" || fail "lib.dll differs"
cmp -s "$pkg/docs/readme.txt" "$inst/docs/readme.txt" || fail "readme.txt differs"
cmp -s "$pkg/data/payload.bin" "$inst/data/payload.bin" || fail "payload.bin differs"
cmp -s "$pkg/bin/shared.dll" "$c/WINDOWS/System/shared.dll" || fail "shared.dll differs"
cmp -s "$pkg/install.cfg" "$inst/install.cfg" || fail "install.cfg not copied"
cmp -s "$work/setup-program" "$inst/install.exe" || fail "install.exe not copied"
crlf > "$work/expected-uninstall.cfg" <<'UNI'
[UNINS]
C:\Apps\Test App\*.*=
C:\Apps\Test App\docs\readme.txt=
C:\Apps\Test App\data\payload.bin=
C:\WINDOWS\Desktop\Test App.*=
C:\WINDOWS\Start Menu\My Tools\Test App.*=
C:\WINDOWS\Start Menu\Programs\My Tools\Test App.*=
C:\WINDOWS\Start Menu\My Tools\Read Me.*=
C:\WINDOWS\Start Menu\Programs\My Tools\Read Me.*=
[Name]
Name=My Tools
[Folders]
C:\WINDOWS\Start Menu\My Tools=
C:\WINDOWS\Start Menu\Programs\My Tools=
UNI
cmp -s "$work/expected-uninstall.cfg" "$inst/uninstall.cfg" || { fail "uninstall.cfg differs"; diff "$work/expected-uninstall.cfg" "$inst/uninstall.cfg"; }
for link in "Desktop/Test App.lnk" "Start Menu/My Tools/Test App.lnk" "Start Menu/My Tools/Read Me.lnk"; do
  [ -f "$c/WINDOWS/$link" ] || fail "missing link $link"
done
for link in "Start Menu/Test App.lnk" "Desktop/Read Me.lnk" "Desktop/My Tools" "Start Menu/Programs/My Tools"; do
  [ ! -e "$c/WINDOWS/$link" ] || fail "unexpected $link"
done
if command -v lnkinfo > /dev/null 2>&1; then
  lnkinfo "$c/WINDOWS/Desktop/Test App.lnk" > "$work/lnkinfo.out" 2>&1 || fail "lnkinfo cannot read the link"
  grep -q 'Local path.*: C:\\Apps\\Test App\\app.exe$' "$work/lnkinfo.out" || fail "lnkinfo: target path"
  grep -q 'Working directory.*: C:\\Apps\\Test App\\$' "$work/lnkinfo.out" || fail "lnkinfo: working directory"
else
  echo "note: lnkinfo not installed (liblnk-utils); link contents not checked"
fi
printf '[Paths]\r\nHome=C:\\Apps\\Test App\\data\r\n' | cmp -s - "$c/WINDOWS/testapp.ini" || fail "INI value"
[ ! -e "$c/WINDOWS/Temp/z" ] || fail "TempDir left behind"
grep -q 'page 1 (licence) shown' "$work/full.log" || fail "log: pages"
grep -q 'ready page: install to C:\\Apps\\Test App, program folder "My Tools", full installation' "$work/full.log" \
  || fail "log: the ready page's summary"
grep -q 'box "Add Test App to Desktop?" \[Confirm\] -> Yes' "$work/full.log" || fail "log: boxes"
grep -q 'copied payload.bin to C:\\Apps\\Test App\\data' "$work/full.log" || fail "log: copies"
grep -q 'answer InstallType ignored' "$work/full.log" || fail "log: ignored answer"
grep -q ' box ".*Setup\]' "$work/full.log" && fail "full: a failure box was shown"

# 2. Again over the first installation: overwrite answers by file name before the kind.
printf 'changed\n' > "$inst/lib.dll"
printf 'changed\n' > "$inst/docs/readme.txt"
{ cat "$work/answers.ini"; printf '[Answers]\nOverwrite:README.TXT=Yes\n'; } > "$work/again.ini"
run_setup again "$m" "$work/again.ini"
[ "$rc" = 0 ] || fail "again: exit $rc"
[ "$(cat "$inst/lib.dll")" = changed ] || fail "again: lib.dll overwritten despite Overwrite=No"
cmp -s "$pkg/docs/readme.txt" "$inst/docs/readme.txt" || fail "again: readme.txt not overwritten"
# The re-used list: "UNINS" and "Folders" erased and written anew at the end, "Name" kept in place.
{ grep -A1 '^\[Name\]' "$work/expected-uninstall.cfg"; grep -v -e '^\[Name\]' -e '^Name=' "$work/expected-uninstall.cfg"; } \
  > "$work/expected-again.cfg"
cmp -s "$work/expected-again.cfg" "$inst/uninstall.cfg" || fail "again: re-used uninstall.cfg differs"

# 3. No answers: the licence is declined, exit 3, nothing written.
run_setup declined "$work/machine-declined"
[ "$rc" = 3 ] || fail "declined: exit $rc"
left=$(find "$work/machine-declined/drive_c" -type f | wc -l)
[ "$left" = 0 ] || { fail "declined: $left file(s) written"; find "$work/machine-declined/drive_c" -type f; }

# 3b. A destination on a drive that does not exist: refused before anything is expanded, exit 2.
sed 's/^Destination=.*/Destination=Q:\\Apps/' "$work/answers.ini" > "$work/answers-q.ini"
run_setup baddest "$work/machine-baddest" "$work/answers-q.ini"
[ "$rc" = 2 ] || fail "bad destination: exit $rc"
grep -qF 'Destination=Q:\Apps: The destination "Q:\Apps" is on drive Q:, which does not exist.' "$work/baddest.err" \
  || { fail "bad destination: not named"; cat "$work/baddest.err"; }
[ ! -e "$work/machine-baddest/drive_c/WINDOWS/Temp/z" ] || fail "bad destination: expanded anyway"

# 4. install.exe missing: the worker stops on page 6, the run presses Cancel and exits 1.
mv "$work/disks/disk1/install.exe" "$work/install.exe.away"
run_setup stopped "$work/machine-stopped" "$work/answers.ini"
mv "$work/install.exe.away" "$work/disks/disk1/install.exe"
[ "$rc" = 1 ] || fail "stopped: exit $rc"
grep -q 'Cannot open file A:\\install.exe' "$work/stopped.err" || fail "stopped: cause not named"
grep -q 'pressing Cancel' "$work/stopped.log" || fail "stopped: Cancel not pressed"
[ -f "$work/machine-stopped/drive_c/Apps/Test App/uninstall.cfg" ] || fail "stopped: work so far not kept"
[ ! -e "$work/machine-stopped/drive_c/WINDOWS/Temp/z" ] || fail "stopped: TempDir left behind"

# 5. A listed file that is not in the set: the run goes on, names it, exits 1.
cp -r "$pkg" "$work/package2"
awk '{ print } /^F5=/ { print "F9=bin\\absent.dll~<INSTALLDIR>\r" }' \
  "$pkg/install.cfg" > "$work/package2/install.cfg"
pack_disks "$work/package2" "$work/disks" "zevpack build 2"
run_setup incomplete "$work/machine-incomplete" "$work/answers.ini"
[ "$rc" = 1 ] || fail "incomplete: exit $rc"
grep -q 'absent.dll' "$work/incomplete.err" || fail "incomplete: missing file not named"
grep -q 'box "The following files and shortcuts could not be installed:.*absent.dll' "$work/incomplete.log" \
  || fail "incomplete: no Setup box"
cmp -s "$pkg/data/payload.bin" "$work/machine-incomplete/drive_c/Apps/Test App/data/payload.bin" \
  || fail "incomplete: the run did not go on"

# 6. No program folder (Folder= empty skips its page): the links go straight into the Start Menu's
# Programs folder and onto the Desktop, and the installation is complete.
cp -r "$pkg" "$work/package-nofolder"
sed 's/^Folder=Test App/Folder=/' "$pkg/install.cfg" > "$work/package-nofolder/install.cfg"
grep -q '^Folder=.$' "$work/package-nofolder/install.cfg" || fail "nofolder: install.cfg not changed"
pack_disks "$work/package-nofolder" "$work/disks" "zevpack build 3"
grep -v '^Folder' "$work/answers.ini" > "$work/nofolder.ini"
m=$work/machine-nofolder
run_setup nofolder "$m" "$work/nofolder.ini"
[ "$rc" = 0 ] || { fail "nofolder: exit $rc"; cat "$work/nofolder.err"; }
for link in "Start Menu/Programs/Test App.lnk" "Start Menu/Programs/Read Me.lnk" "Desktop/Test App.lnk"; do
  [ -f "$m/drive_c/WINDOWS/$link" ] || fail "nofolder: missing link $link"
done
[ -z "$(find "$m/drive_c/WINDOWS/Start Menu/Programs" -mindepth 1 -type d)" ] || fail "nofolder: a program folder was made"
grep -q '^Name=.$' "$m/drive_c/Apps/Test App/uninstall.cfg" || fail "nofolder: uninstall.cfg has no empty Name"

# 7. The program start never runs a host file. The setup program on disk 1 is an executable host
# script here; a launch entry that only passes a "SETUP." folder is not a setup program, and even
# chosen it goes nowhere without a runner. With a runner, a Windows program is handed to it.
sed 's/^Launch=.*/Launch=A:\\SETUP.\\..\\install.exe\r/' "$pkg/install.cfg" > "$work/package3.cfg"
cp -r "$pkg" "$work/package3" && cp "$work/package3.cfg" "$work/package3/install.cfg"
printf '#!/bin/sh\ntouch "%s"\n' "$work/host-program-ran" > "$work/host-program" && chmod +x "$work/host-program"
"$bin/zevpack" build "$work/package3" "$work/disks3" --disk-folders --size 16384 --setup-program "$work/host-program" \
  > /dev/null || fail "zevpack build 3"
run_setup_in() {  # run_setup_in DISKS NAME ANSWERS: like run_setup, from another set
  (cd "$1/disk1" && "$bin/zev-setup" --machine "$work/machine-$2" --unattended "$3" --log "$work/$2.log") \
    > "$work/$2.out" 2> "$work/$2.err"
  rc=$?
}
run_setup_in "$work/disks3" unasked "$work/answers.ini"
[ "$rc" = 0 ] || fail "unasked: exit $rc"
grep -q 'program start not chosen: A:\\SETUP.\\..\\install.exe' "$work/unasked.log" || fail "unasked: a SETUP. folder made a start"
sed 's/^Launch=0/Launch=1/' "$work/answers.ini" > "$work/launch.ini"
run_setup_in "$work/disks3" chosen "$work/launch.ini"
[ "$rc" = 0 ] || fail "chosen: exit $rc"
grep -q 'program start A:.*install.exe: not started: .*no program runner is configured' "$work/chosen.log" \
  || fail "chosen: the log does not say the program was not started"
export ZEV_LAUNCHER="$work/host-program"
run_setup_in "$work/disks3" hostile "$work/launch.ini"
unset ZEV_LAUNCHER
grep -q 'install.exe: not started: .*is no Windows program (it is a host script)' "$work/hostile.log" \
  || fail "hostile: a host script was not refused"
printf '#!/bin/sh\nprintf "%%s\\n" "$@" > "%s.tmp" && mv "%s.tmp" "%s"\n' "$work/runner.out" "$work/runner.out" \
  "$work/runner.out" > "$work/runner" && chmod +x "$work/runner"
"$bin/zevpack" build "$pkg" "$work/disks4" --disk-folders --size 16384 > /dev/null || fail "zevpack build 4"
(cd "$work/disks4/disk1" && "$bin/zev-setup" --machine "$work/machine-launched" --unattended "$work/launch.ini" \
  --launcher "$work/runner --flag" --log "$work/launched.log") > "$work/launched.out" 2> "$work/launched.err"
rc=$?
[ "$rc" = 0 ] || fail "launched: exit $rc"
for i in $(seq 50); do [ -f "$work/runner.out" ] && break; sleep 0.1; done
printf -- '--flag\n%s\n' "$work/machine-launched/drive_c/Apps/Test App/app.exe" | cmp -s - "$work/runner.out" \
  || fail "launched: the runner was not handed app.exe"
[ ! -e "$work/host-program-ran" ] || fail "a host program ran"

# 8. The INI file is never the setup disk's: a package naming a file on A: is refused before
# anything is installed (exit 1); a drive the user maps stays writable.
for target in 'A:\\install.cfg' 'D:\\user.ini'; do
  sed "s/^INI File=.*/INI File=$target\r/" "$pkg/install.cfg" > "$work/package5.cfg"
  rm -rf "$work/package5" && cp -r "$pkg" "$work/package5" && cp "$work/package5.cfg" "$work/package5/install.cfg"
  "$bin/zevpack" build "$work/package5" "$work/disks5" --disk-folders --size 16384 > /dev/null || fail "zevpack build 5"
  cp "$work/disks5/disk1/install.cfg" "$work/cfg-before"
  mkdir -p "$work/userdrive"
  (cd "$work/disks5/disk1" && "$bin/zev-setup" --machine "$work/machine-ini" --unattended "$work/answers.ini" \
    --drive "D=$work/userdrive" --log "$work/ini.log") > "$work/ini.out" 2> "$work/ini.err"
  rc=$?
  case $target in
    A*) [ "$rc" = 1 ] || fail "INI on A:: exit $rc"
        grep -q 'the installation stopped: the INI file A:\\install.cfg resolves to A:\\install.cfg, on the setup disk A:' \
          "$work/ini.err" || { fail "INI on A:: no clear message"; cat "$work/ini.err"; }
        cmp -s "$work/cfg-before" "$work/disks5/disk1/install.cfg" || fail "INI on A:: install.cfg was written"
        [ ! -e "$work/machine-ini/drive_c/Apps" ] || fail "INI on A:: something was installed" ;;
    D*) [ "$rc" = 0 ] || fail "INI on D:: exit $rc"
        printf '[Paths]\r\nHome=C:\\Apps\\Test App\\data\r\n' | cmp -s - "$work/userdrive/user.ini" \
          || fail "INI on D:: value not written" ;;
  esac
  rm -rf "$work/machine-ini"
done

[ "$failures" = 0 ] && echo "zev-setup installs end to end: all passed"
exit "$failures"
