#!/usr/bin/env bash
# The Windows install under Wine as a person does it: install.exe from the first of the disk
# folders zevpack.exe made, with no answers file, on an X server with a window manager
# (scripts/wine-test display), driven by real key presses and a mouse click through the welcome,
# licence, destination, program folder, install type and ready pages and the worker's questions.
# Every wait is for a window or a line of the program's log, never a fixed pause. The installed
# tree is then checked as after the unattended install, and each picture the windows showed is
# kept in SHOTS_DIR.
#
#   wine_click_install.sh WINE_TEST STATE ZEVPACK_EXE ZEV_SETUP_EXE SOURCE_ROOT SHOTS_DIR
set -euo pipefail
test_name=wine_click_install
# shellcheck source=wine_common.sh
source "$(dirname "$0")/wine_common.sh"

# Once more on a display of its own.
if [ -z "${ZEV_WINE_DISPLAY:-}" ]; then
  exec bash "$1" display "$2" bash "$0" "$@"
fi
command -v xdotool >/dev/null || fail "xdotool is missing (scripts/test installs it)"

shots=$6
wine_common_init "$@"
# The sample's install.cfg asks for no install type; the copy packed here does, for that page.
sed -i 's/^Work Station Prompt=0/Work Station Prompt=1/' "$work/package/install.cfg"
grep -q '^Work Station Prompt=1' "$work/package/install.cfg" || fail "install.cfg has no Work Station Prompt to turn on"
pack_disks >/dev/null
mkdir "$work/screens"
if [ "$(id -u)" -eq 0 ]; then chown nobody "$work/screens"; fi

log=$work/install.log
give_up() {
  echo "--- install.exe's log" >&2
  cat "$log" "$work/output.log" >&2 2>/dev/null || true
  fail "$@"
}
# Waits up to 60 s (Wine starts slowly on a loaded machine) for the command to succeed.
wait_for() {  # wait_for WHAT COMMAND...
  local what=$1 deadline=$((SECONDS + 60))
  shift
  until "$@" >/dev/null 2>&1; do
    [ "$SECONDS" -lt "$deadline" ] || give_up "gave up waiting for $what"
    sleep 0.1
  done
}
logged() { grep -qF -- "$1" "$log"; }
# The visible window whose caption matches, once it has appeared. The window manager leaves the
# X focus on the main screen when Wine shows a tool window or a box above it; Wine hands the keys
# on to the window that is active for Windows, as the system does.
find_window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 | grep .; }
window() {
  wait_for "a window \"$1\"" find_window "$1"
  find_window "$1"
}
gone() { wait_for "window $1 to close" sh -c "! xdotool search --onlyvisible --name . 2>/dev/null | grep -qx '$1'"; }
keys() { xdotool key --delay 60 "$@"; }
# A left click at X Y of a window's client area of width W: the window manager leaves Wine's
# windows their own frames, even on each side, with the caption over the client area.
click() {  # click WINDOW W H X Y
  local key value width=0 height=0 border
  while IFS='=' read -r key value; do
    case $key in
      WIDTH) width=$value ;;
      HEIGHT) height=$value ;;
    esac
  done < <(xdotool getwindowgeometry --shell "$1")
  border=$(((width - $2) / 2))
  xdotool mousemove --window "$1" $((border + $4)) $((height - border - $3 + $5)) click 1
}
page() { wait_for "the $1 page" logged "page $2 ($1) shown"; }

# In a process group of its own, so that a test that gives up ends Wine's process too.
ZEV_SCREENSHOTS=$(windows_path "$work/screens") setsid bash "$wine_test" run "$state" \
  "$work/disks/disk1/install.exe" --log "$(windows_path "$log")" >"$work/output.log" 2>&1 &
pid=$!
trap 'kill -- -$pid 2>/dev/null || true' EXIT

# The main screen, the expansion stage, then the wizard with the focus on Next.
wait_for "the main screen" find_window '^ZEV - Setup$'
wait_for "the expansion stage" logged "expansion stage"
wizard=$(window '^Setup +$')
page welcome 0
keys Return
page licence 1
# From the licence text Tab reaches Decline, then Accept.
keys Tab Tab space
page destination 2
keys alt+n
page "program folder" 3
logged 'destination C:\Program Files\ZEV Demo' || give_up "the destination is not the package's default"
# Next by the mouse, in its middle: the wizard's client area is 433 x 266, Next 60 x 25 at 296,239.
click "$wizard" 433 266 326 251
page "install type" 4
# The prompt checks the network workstation install: Up moves the check to the full one, Down
# back, Up again.
keys Up Down Up Return
page ready 5
# The package checks Launch Program: Down moves the check to Return to Windows; Enter installs.
keys Down Return
page install 6
# The worker asks for the desktop link (Yes, with Enter) and for the Start Menu one (No, Alt+N).
confirm=$(window '^Confirm$')
keys Return
gone "$confirm"
confirm=$(window '^Confirm$')
keys alt+n
gone "$confirm"
wait_for "install.exe to end" sh -c "! kill -0 $pid 2>/dev/null"
status=0
wait $pid || status=$?
trap - EXIT
[ "$status" -eq 0 ] || give_up "install.exe ended with exit code $status"

for line in 'program folder "ZEV Demo", full installation' 'box "Add ZEV Demo to Desktop?" [Confirm] -> Yes' \
  'box "Add ZEV Demo to Start Menu?" [Confirm] -> No' 'program start not chosen'; do
  logged "$line" || give_up "the log lacks \"$line\""
done
check_installed

rm -rf "$shots"
mkdir -p "$shots"
cp "$work/screens"/*.png "$shots/"
echo "$test_name: installed by keys and a click, listed and linked; screenshots in $shots"
