#!/usr/bin/env bash
# The Windows programs end to end under Wine: zevpack.exe packs the sample package into disk
# folders of 16 KB disks, and the install.exe it puts on the first one installs the package
# unattended into the Wine prefix's C:, reading the second disk from its folder. The installed
# files must be the package's, uninstall.cfg must list each of them, the INI values must be
# written through the system's profile functions and the desktop link must be there.
#
#   wine_install.sh WINE_TEST STATE ZEVPACK_EXE ZEV_SETUP_EXE SOURCE_ROOT
set -euo pipefail
test_name=wine_install
# shellcheck source=wine_common.sh
source "$(dirname "$0")/wine_common.sh"
wine_common_init "$@"
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
pack_disks

status=0
bash "$wine_test" run "$state" "$work/disks/disk1/install.exe" --unattended \
  "$(windows_path "$work/answers.ini")" --log "$(windows_path "$work/install.log")" || status=$?
if [ "$status" -ne 0 ]; then
  cat "$work/install.log" >&2 || true
  fail "install.exe ended with exit code $status"
fi

check_installed
echo "wine_install: installed, listed and linked"
