#!/usr/bin/env bash
# The Windows programs end to end under Wine: zevpack.exe packs the sample package into disk
# folders of 16 KB disks, and the install.exe it puts on the first one installs the package
# unattended into the Wine prefix's C:, reading the second disk from its folder. The installed
# files must be the package's, uninstall.cfg must list each of them, the INI values must be
# written through the system's profile functions and the desktop link must be there.
#
#   wine_install.sh WINE_TEST STATE ZEVPACK_EXE ZEV_SETUP_EXE SOURCE_ROOT
set -euo pipefail
wine_test=$1 state=$2 zevpack=$3 setup=$4 source_root=$5

fail() {
  echo "wine_install: $*" >&2
  exit 1
}

folder=$(bash "$wine_test" folder "$state")
work=$folder/home/install
rm -rf "$work"
mkdir -p "$work"
cp -r "$source_root/samples/package" "$work/package"
cat > "$work/answers.ini" <<'ANSWERS'
[Wizard]
License=accept
Destination=C:\Program Files\ZEV Demo
Folder=ZEV Demo
FolderStartMenu=0
FolderDesktop=1
InstallType=full
Launch=0
[Answers]
Overwrite=No
Desktop=Yes
StartMenu=No
ANSWERS
# zevpack.exe takes the setup program from beside itself.
cp "$setup" "$folder/bin/zev-setup.exe"
chmod 755 "$folder/bin/zev-setup.exe"
if [ "$(id -u)" -eq 0 ]; then chown -R nobody "$work"; fi

windows_path() { printf 'Z:%s' "${1//\//\\}"; }

bash "$wine_test" run "$state" "$zevpack" build "$(windows_path "$work/package")" \
  "$(windows_path "$work/disks")" --disk-folders --size 16384
[ -f "$work/disks/disk1/install.exe" ] || fail "zevpack.exe put no install.exe on the first disk"
[ -d "$work/disks/disk2" ] || fail "the package did not take a second disk"

status=0
bash "$wine_test" run "$state" "$work/disks/disk1/install.exe" --unattended \
  "$(windows_path "$work/answers.ini")" --log "$(windows_path "$work/install.log")" || status=$?
if [ "$status" -ne 0 ]; then
  cat "$work/install.log" >&2 || true
  fail "install.exe ended with exit code $status"
fi

drive_c=$folder/home/wine/drive_c
installed="$drive_c/Program Files/ZEV Demo"
# Where install.cfg's [Files] section puts each file of the package. uninstall.cfg lists the
# files of a subfolder one by one, and those of the installation folder by one "*.*" entry.
records=$(tr -d '\r' < "$installed/uninstall.cfg")
listed='C:\Program Files\ZEV Demo\'
grep -qxF "$listed*.*=" <<<"$records" || fail "uninstall.cfg does not list the installation folder"
while read -r source target; do
  cmp -s "$work/package/$source" "$installed/$target" || fail "$target is not the package's $source"
  case $target in
    */*) grep -qxF "$listed$(tr / '\\' <<<"$target")=" <<<"$records" ||
           fail "uninstall.cfg does not list $target" ;;
  esac
done <<'FILES'
bin/zevdemo.txt zevdemo.txt
license.txt license.txt
docs/manual.txt docs/manual.txt
docs/changes.txt docs/changes.txt
data/table.txt data/table.txt
FILES

ini=$(find "$drive_c" -maxdepth 2 -iname zevdemo.ini | head -n 1)
[ -n "$ini" ] || fail "zevdemo.ini was not written"
grep -qF 'Home=C:\Program Files\ZEV Demo' <(tr -d '\r' < "$ini") || fail "zevdemo.ini lacks the Home value"
links=$(find "$drive_c" -iname 'ZEV Demo.lnk' | wc -l)
[ "$links" -ge 1 ] || fail "no desktop link was made"
grep -q "disk 2" "$work/install.log" || fail "the log does not say where disk 2 was read"
echo "wine_install: installed, listed and linked"
