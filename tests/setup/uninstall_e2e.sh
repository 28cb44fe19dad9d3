#!/bin/sh
# End-to-end removals with zev-setup --uninstall: the install test's package installed unattended,
# then a file of the user's own added to the installation folder and one to the Desktop named like
# the shortcut, an installed file edited and another made read-only; a dry run, the removal, and the
# machine's tree compared with the one before the installation. Then: the removal again (nothing to
# remove), a file kept at an overwrite question, hostile keys, the command an incomplete
# installation names, and the usage errors. Usage: uninstall_e2e.sh BIN_DIR
set -u
. "$(dirname "$0")/e2e_common.sh"

pkg=$work/package
make_test_package "$pkg"
pack_disks "$pkg" "$work/disks"

cat > "$work/answers.ini" <<'ANS'
[Wizard]
License=accept
Destination=C:\Apps\Test App
Folder=My Tools
FolderStartMenu=1
FolderDesktop=0
Launch=0
[Answers]
Overwrite=No
Desktop=Yes
StartMenu=No
ANS

install() {  # install MACHINE NAME: unattended from disk1; leaves $rc
  (cd "$work/disks/disk1" && "$bin/zev-setup" --machine "$1" --unattended "$work/answers.ini" --log "$work/$2.log") \
    > "$work/$2.out" 2> "$work/$2.err"
  rc=$?
}
uninstall() {  # uninstall NAME ARGS...: leaves $rc, NAME.out, NAME.err, NAME.log
  name=$1
  shift
  "$bin/zev-setup" --uninstall "$@" --log "$work/$name.log" > "$work/$name.out" 2> "$work/$name.err"
  rc=$?
}
tree() { (cd "$1" && find . | sort); }

# 1. Install on a machine whose standard folders are there, change it as a user would, remove it.
m=$work/machine
c=$m/drive_c
mkdir -p "$c/WINDOWS/Desktop" "$c/WINDOWS/Start Menu/Programs" "$c/WINDOWS/Temp"
tree "$m" > "$work/tree-before"
install "$m" install
[ "$rc" = 0 ] || { fail "install: exit $rc"; cat "$work/install.err"; }
inst="$c/Apps/Test App"
[ -f "$inst/uninstall.zev" ] || fail "no manifest beside uninstall.cfg"
head -1 "$inst/uninstall.zev" | grep -q '^ZEV Setup uninstall manifest 1.$' || fail "manifest header"
printf 'my own notes\n' > "$inst/notes.txt"
printf 'my own file\n' > "$c/WINDOWS/Desktop/Test App.txt"
printf 'edited by the user\n' >> "$inst/docs/readme.txt"
chmod a-w "$inst/lib.dll"
tree "$m" > "$work/tree-installed"

uninstall dry "C:\\Apps\\Test App" --machine "$m" --dry-run
[ "$rc" = 0 ] || fail "dry run: exit $rc"
tree "$m" | cmp -s - "$work/tree-installed" || fail "the dry run changed the machine"
uninstall removal "$inst" --machine "$m" --unattended
[ "$rc" = 1 ] || fail "removal: exit $rc (the user's files were kept: 1)"
# The dry run named every entry the removal then removed or kept.
sed -n 's/^would remove //p' "$work/dry.out" | sort > "$work/dry-removed"
sed -n 's/^.*\] removed //p' "$work/removal.log" | sort > "$work/removed"
cmp -s "$work/dry-removed" "$work/removed" || { fail "the dry run and the removal differ"; diff "$work/dry-removed" "$work/removed"; }
sed -n 's/^would keep //p' "$work/dry.out" | sort > "$work/dry-kept"
sed -n 's/^zev-setup:   //p' "$work/removal.err" | sort > "$work/kept"
cmp -s "$work/dry-kept" "$work/kept" || { fail "the dry run and the removal keep different entries"; diff "$work/dry-kept" "$work/kept"; }
cat > "$work/expected-kept" <<'KEPT'
C:\Apps\Test App: not empty
C:\Apps\Test App\docs\readme.txt: changed since it was installed
C:\Apps\Test App\notes.txt: not placed by this installation
KEPT
cmp -s "$work/expected-kept" "$work/kept" || { fail "kept entries"; diff "$work/expected-kept" "$work/kept"; }
grep -q '\] kept C:\\Apps\\Test App\\notes.txt: not placed by this installation' "$work/removal.log" || fail "log: kept entries"
grep -q 'removed C:\\Apps\\Test App\\lib.dll' "$work/removal.log" || fail "the read-only installed file was not removed"
# What remains: the user's two files, the edited file, the INI file, and the folders above.
tree "$m" > "$work/tree-after"
cat > "$work/expected-left" <<'LEFT'
./drive_c/Apps
./drive_c/Apps/Test App
./drive_c/Apps/Test App/docs
./drive_c/Apps/Test App/docs/readme.txt
./drive_c/Apps/Test App/notes.txt
./drive_c/WINDOWS/Desktop/Test App.txt
./drive_c/WINDOWS/testapp.ini
LEFT
comm -13 "$work/tree-before" "$work/tree-after" | cmp -s - "$work/expected-left" \
  || { fail "the machine's tree after the removal"; comm -13 "$work/tree-before" "$work/tree-after"; }
comm -23 "$work/tree-before" "$work/tree-after" | grep -q . && fail "the removal took something that was there before"
printf '[Paths]\r\nHome=C:\\Apps\\Test App\\data\r\n' | cmp -s - "$c/WINDOWS/testapp.ini" || fail "the INI values changed"
[ "$(cat "$c/WINDOWS/Desktop/Test App.txt")" = 'my own file' ] || fail "the Desktop file of the user's own"

# 2. Again: nothing to remove; then the folder is gone: still nothing to remove.
uninstall again "C:\\Apps\\Test App" --machine "$m" --unattended
[ "$rc" = 0 ] || fail "second removal: exit $rc"
grep -q 'nothing to remove: there is no uninstall.cfg in C:\\Apps\\Test App' "$work/again.err" || fail "second removal: message"
rm -rf "$inst"
uninstall gone "C:\\Apps\\Test App" --machine "$m" --unattended
[ "$rc" = 0 ] || fail "removal of a removed folder: exit $rc"

# 3. Installed over a file of the user's own, kept at the overwrite question; removed from the
# installation folder itself (--uninstall alone), the user's file stays and nothing else does.
m=$work/machine-kept
mkdir -p "$m/drive_c/Apps/Test App"
printf 'the user library\n' > "$m/drive_c/Apps/Test App/lib.dll"
install "$m" kept-install
[ "$rc" = 0 ] || fail "install over the user's file: exit $rc"
grep -q 'box "File Already Exists (lib.dll). Overwrite?" \[Confirm\] -> No' "$work/kept-install.log" || fail "no overwrite question"
(cd "$m/drive_c/Apps/Test App" && "$bin/zev-setup" --uninstall --machine ../../.. --unattended) > "$work/kept.out" 2> "$work/kept.err"
rc=$?
[ "$rc" = 1 ] || fail "removal beside the user's file: exit $rc"
[ "$(cat "$m/drive_c/Apps/Test App/lib.dll")" = 'the user library' ] || fail "the user's file kept at the question was removed"
left=$(cd "$m/drive_c/Apps/Test App" && find . -mindepth 1 | sort | tr '\n' ' ')
[ "$left" = './lib.dll ' ] || fail "left beside the user's file: $left"

# 4. Hostile keys in uninstall.cfg: nothing outside the installation folder is removed, every key
# is named as refused; a link in the installation folder is not followed.
m=$work/machine-hostile
install "$m" hostile-install
inst="$m/drive_c/Apps/Test App"
printf '[windows]\r\n' > "$m/drive_c/WINDOWS/win.ini"
mkdir -p "$m/drive_c/Other" && printf 'keep\n' > "$m/drive_c/Other/victim.txt"
ln -s "$m/drive_c/Other" "$inst/link"
awk '{ print } /^\[UNINS\]/ { print "C:\\*.*=\r"; print "C:\\WINDOWS\\*.*=\r"; print "C:\\WINDOWS\\win.ini=\r";
  print "C:\\Apps\\Test App\\..\\..\\Other\\victim.txt=\r"; print "C:\\Apps\\Test App\\link\\victim.txt=\r" }' \
  "$inst/uninstall.cfg" > "$work/hostile.cfg" && cp "$work/hostile.cfg" "$inst/uninstall.cfg"
rm "$inst/uninstall.zev"  # an earlier version's installation: uninstall.cfg is all there is
uninstall hostile "C:\\Apps\\Test App" --machine "$m" --unattended
[ "$rc" = 1 ] || fail "hostile keys: exit $rc"
[ -f "$m/drive_c/WINDOWS/win.ini" ] || fail "hostile keys: win.ini removed"
[ -f "$m/drive_c/Other/victim.txt" ] || fail "hostile keys: a file outside removed"
[ -f "$m/drive_c/WINDOWS/testapp.ini" ] || fail "hostile keys: the INI file removed"
for key in 'C:\*.*' 'C:\WINDOWS\*.*' 'C:\WINDOWS\win.ini' 'C:\Apps\Test App\..\..\Other\victim.txt' 'C:\Apps\Test App\link\victim.txt'; do
  grep -qF "zev-setup:   $key: refused: " "$work/hostile.err" || fail "hostile key not named as refused: $key"
done
[ ! -e "$inst/app.exe" ] || fail "hostile keys: the package's own files stayed"

# 5. An incomplete installation names the command that removes it; that command works.
cp -r "$pkg" "$work/package2"
awk '{ print } /^F5=/ { print "F9=bin\\absent.dll~<INSTALLDIR>\r" }' "$pkg/install.cfg" > "$work/package2/install.cfg"
pack_disks "$work/package2" "$work/disks2" "zevpack build 2"
m=$work/machine-incomplete
(cd "$work/disks2/disk1" && "$bin/zev-setup" --machine "$m" --unattended "$work/answers.ini" --log "$work/incomplete.log") \
  > /dev/null 2> "$work/incomplete.err"
[ "$?" = 1 ] || fail "incomplete: exit code"
command=$(sed -n 's/^zev-setup: to remove what was installed: //p' "$work/incomplete.err")
[ "$command" = "zev-setup --uninstall 'C:\\Apps\\Test App' --machine '$m'" ] || fail "incomplete: the command named: $command"
grep -q 'box "The following files and shortcuts could not be installed:.*To remove what was installed:\\nzev-setup --uninstall' \
  "$work/incomplete.log" || fail "incomplete: the failure box does not name the command"
(PATH=$bin:$PATH && eval "$command --unattended") > /dev/null 2>&1 || fail "incomplete: the named command failed"
[ ! -e "$m/drive_c/Apps/Test App" ] || fail "incomplete: the named command left the installation"

# 6. Usage: an answers file, --dry-run alone, a folder outside the machine.
uninstall usage1 "C:\\Apps\\Test App" --machine "$m" --unattended "$work/answers.ini"
[ "$rc" = 2 ] || fail "--unattended ANSWERS with --uninstall: exit $rc"
"$bin/zev-setup" --dry-run > /dev/null 2>&1
[ "$?" = 2 ] || fail "--dry-run without --uninstall"
uninstall usage3 /etc --machine "$m" --unattended
[ "$rc" = 2 ] || fail "a folder outside the machine: exit $rc"
grep -q 'not a folder inside the machine' "$work/usage3.err" || fail "a folder outside the machine: message"

[ "$failures" = 0 ] && echo "zev-setup removes installations end to end: all passed"
exit "$failures"
