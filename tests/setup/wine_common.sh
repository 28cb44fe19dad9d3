# shellcheck shell=bash
# What the Windows install tests under Wine share, sourced by them after setting `test_name`:
# the sample package packed by zevpack.exe into disk folders of 16 KB disks inside the Wine
# folder, and the checks of the tree that install.exe leaves in the prefix's C:.
#
#   wine_common_init WINE_TEST STATE ZEVPACK_EXE ZEV_SETUP_EXE SOURCE_ROOT

fail() {
  echo "$test_name: $*" >&2
  exit 1
}

windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# Sets wine_test, state, zevpack, setup and source_root; folder is the Wine folder and work
# (emptied) the test's own folder in it, where the package is copied to. What an earlier test
# installed into the prefix goes first: the checks must see this test's installation.
wine_common_init() {
  wine_test=$1 state=$2 zevpack=$3 setup=$4 source_root=$5
  folder=$(bash "$wine_test" folder "$state")
  drive_c=$folder/home/wine/drive_c
  installed="$drive_c/Program Files/ZEV Demo"
  rm -rf "$installed"
  find "$drive_c" \( -iname zevdemo.ini -o -iname 'ZEV Demo.lnk' \) -delete
  work=$folder/home/$test_name
  rm -rf "$work"
  mkdir -p "$work"
  cp -r "$source_root/samples/package" "$work/package"
}

# Packs $work/package into $work/disks; install.exe on disk1 must read disk2 from its folder.
pack_disks() {
  # zevpack.exe takes the setup program from beside itself.
  cp "$setup" "$folder/bin/zev-setup.exe"
  chmod 755 "$folder/bin/zev-setup.exe"
  if [ "$(id -u)" -eq 0 ]; then chown -R nobody "$work"; fi
  bash "$wine_test" run "$state" "$zevpack" build "$(windows_path "$work/package")" \
    "$(windows_path "$work/disks")" --disk-folders --size 16384
  [ -f "$work/disks/disk1/install.exe" ] || fail "zevpack.exe put no install.exe on the first disk"
  [ -d "$work/disks/disk2" ] || fail "the package did not take a second disk"
}

# The installation into C:\Program Files\ZEV Demo with its desktop link, as install.exe's log
# ($work/install.log) tells it: the installed files must be the package's, uninstall.cfg must
# list each of them, the INI values must be written through the system's profile functions.
check_installed() {
  # Where install.cfg's [Files] section puts each file of the package. uninstall.cfg lists the
  # files of a subfolder one by one, and those of the installation folder by one "*.*" entry.
  local records listed='C:\Program Files\ZEV Demo\' source target
  records=$(tr -d '\r' < "$installed/uninstall.cfg")
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

  local ini links
  ini=$(find "$drive_c" -maxdepth 2 -iname zevdemo.ini | head -n 1)
  [ -n "$ini" ] || fail "zevdemo.ini was not written"
  grep -qF 'Home=C:\Program Files\ZEV Demo' <(tr -d '\r' < "$ini") || fail "zevdemo.ini lacks the Home value"
  links=$(find "$drive_c" -iname 'ZEV Demo.lnk' | wc -l)
  [ "$links" -ge 1 ] || fail "no desktop link was made"
  grep -q "disk 2" "$work/install.log" || fail "the log does not say where disk 2 was read"
}
