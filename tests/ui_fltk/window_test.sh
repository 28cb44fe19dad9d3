#!/usr/bin/env bash
# zev-setup with real windows under a virtual X server and a window manager (openbox), driven by
# real input events. Two installations of the sample disk set and the removal of the first:
#   1. by keyboard alone (Tab, Shift+Tab, Space, arrows, Enter, Escape, Alt+letter), through the
#      licence page, the directory chooser (its list too) and a destination that is refused;
#   2. by mouse, with double clicks in the chooser's directory list and in the Folders list, and
#      the window manager's close command on the expansion window and on the chooser;
#   3. zev-setup --uninstall: its question, its window with the progress bar and the list of what
#      it removed, and its closing box.
# The window frames are checked (no minimise or maximise), a screenshot of every page with its
# focus rectangle is kept in OUT_DIR and checked, and so is the installed tree. Every wait is a
# wait for something to happen (a window, the keyboard focus, a line of the program's log, a
# focus rectangle on the screen), never a fixed pause.
# Usage: window_test.sh BIN_DIR SOURCE_DIR OUT_DIR
set -euo pipefail
bin=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
out=$3

if [ -z "${ZEV_WINDOW_TEST_DISPLAY:-}" ]; then
  for tool in xvfb-run xdotool openbox; do
    command -v "$tool" >/dev/null || { echo "window_test: $tool is missing (scripts/test installs it)"; exit 1; }
  done
  # -noreset: by default the server resets whenever its last client leaves, and a program
  # connecting during the reset is turned away.
  exec xvfb-run -a -s "-screen 0 1024x768x24 -noreset" env ZEV_WINDOW_TEST_DISPLAY=1 "$0" "$@"
fi

rm -rf "$out"
mkdir -p "$out"
out=$(cd "$out" && pwd)
shot="$bin/screen_shot"
passed=0
failed=0
log=/dev/null
check() {  # check NAME COMMAND...: runs a check, counts it
  local name=$1
  shift
  if "$@" >"$out/check.txt" 2>&1; then
    passed=$((passed + 1))
    echo "ok   $name: $(tr '\n' ' ' <"$out/check.txt")"
  else
    failed=$((failed + 1))
    echo "FAIL $name: $(tr '\n' ' ' <"$out/check.txt")"
  fi
}
equals() {  # equals WANT COMMAND...: the command prints WANT
  local want=$1 got
  shift
  got=$("$@")
  echo "$got (want $want)"
  [ "$got" = "$want" ]
}
lacks() {  # lacks WORD COMMAND...: the command's output has no such word
  local word=$1 got
  shift
  got=$("$@")
  echo "$got"
  ! grep -qw "$word" <<<"$got"
}
give_up() {
  echo "window_test: $*" >&2
  [ -f "$log" ] && { echo "--- program log" >&2; cat "$log" "$out/stderr.log" >&2; }
  exit 1
}
# Waits up to 60 s (a loaded machine starts programs slowly) until the command succeeds.
wait_for() {  # wait_for WHAT COMMAND...
  local what=$1 n
  shift
  for n in $(seq 600); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  give_up "gave up waiting for $what"
}
# The id of the visible window whose title matches (class zev-setup for forms, zev-box for
# boxes), once it has appeared.
find_window() {
  local candidate
  for candidate in $(xdotool search --onlyvisible --classname "${2:-zev-setup}" 2>/dev/null || true); do
    [[ "$(xdotool getwindowname "$candidate" 2>/dev/null)" =~ $1 ]] && { echo "$candidate"; return 0; }
  done
  return 1
}
window() {
  wait_for "a window \"$1\"" find_window "$@"
  find_window "$@"
}
has_focus() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }
# Waits for a window and for the keyboard to be in it: keys go to the focused window.
focused_window() {
  local id
  id=$(window "$@")
  wait_for "the keyboard focus in \"$1\"" has_focus "$id"
  echo "$id"
}
gone() {  # gone WINDOW: waits until it has closed
  wait_for "window $1 to close" sh -c "! xdotool search --onlyvisible --classname 'zev' 2>/dev/null | grep -qx '$1'"
}
logged() { grep -qF -- "$1" "$log"; }
origin() { "$shot" origin "$1"; }  # origin WINDOW: prints "X Y" of its client area on the screen
keys() { xdotool key --delay 40 "$@"; }
click() {  # click WINDOW X Y [double]: a real mouse click at a point of the window's client area
  local repeat=1
  [ "${4:-}" = double ] && repeat=2
  xdotool mousemove --window "$1" "$2" "$3" click --repeat "$repeat" --delay 80 1
}
grab() { "$shot" grab "$out/$1.png"; }
dotted_at() {  # dotted_at NAME X Y W H: grabs the screen into NAME.png until a focus rectangle shows there
  grab "$1" && "$shot" dotted "$out/$1.png" "$2" "$3" "$4" "$5"
}
# Waits for the focus rectangle in an area of the window (x y w h of the client area) and keeps
# the screenshot as NAME.png.
focus_shown() {  # focus_shown NAME WINDOW X Y W H
  local wx wy
  read -r wx wy < <(origin "$2")
  wait_for "the focus rectangle of $1 at $((wx + $3)),$((wy + $4))" dotted_at "$1" $((wx + $3)) $((wy + $4)) "$5" "$6"
  check "$1: focus rectangle" "$shot" dotted "$out/$1.png" $((wx + $3)) $((wy + $4)) "$5" "$6"
}
# The frame the window manager gives a window: what its user may do with it.
frame_check() {  # frame_check NAME WINDOW
  check "$1: no minimise box" lacks minimize "$shot" actions "$2"
  check "$1: no maximise box" lacks maximize_horz "$shot" actions "$2"
}
# Starts zev-setup from a disk folder on a machine; its log is $log.
start_setup() {  # start_setup DISK_FOLDER MACHINE LOG
  log=$3
  (cd "$1" && exec "$bin/zev-setup" --machine "$2" --log "$log") >"$out/stderr.log" 2>&1 &
  pid=$!
  trap 'kill $pid 2>/dev/null || true' EXIT
}
finish_setup() {  # finish_setup NAME: waits for the program to end and checks that it succeeded
  local status=0
  wait_for "setup to end" sh -c "! kill -0 $pid 2>/dev/null"
  wait $pid || status=$?
  trap - EXIT
  check "$1: setup exits 0" equals 0 echo $status
}

# A window manager, so that windows get frames and the keyboard focus as on a desktop.
wait_for "the virtual display" xdotool getdisplaygeometry
openbox --sm-disable >"$out/openbox.log" 2>&1 &
openbox_pid=$!
wait_for "the window manager" "$shot" wm
stop_openbox() { kill $openbox_pid 2>/dev/null || true; }

# The sample package on two disks; disk 2 is held back until the program asks for it.
"$bin/zevpack" build "$src/samples/package" "$out/set" --disk-folders --size 16384 >"$out/zevpack.log" 2>&1
mkdir -p "$out/held"
mv "$out/set/disk2/zevsetup.002" "$out/held/"
machine="$out/machine"
dest="$machine/drive_c/Program Files/ZEV Demo"
# An earlier copy of the manual is installed already, so the worker asks before replacing it;
# and the Start Menu has two program folders for the Folders list.
mkdir -p "$dest/docs" "$machine/drive_c/WINDOWS/Start Menu/Programs/Accessories" \
  "$machine/drive_c/WINDOWS/Start Menu/Programs/Games"
echo "an older manual" >"$dest/docs/manual.txt"

# Under the leak checker the caches of the X libraries are not the program's leaks.
export LSAN_OPTIONS="suppressions=$src/tests/ui_fltk/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

echo "--- 1. an installation by keyboard alone"
start_setup "$out/set/disk1" "$machine" "$out/run.log"

# The main screen: gradient from 0x800000 (navy) to 0xFF8000 as install.cfg gives them in BGR
# order, the header white over a black shadow.
window "^ZEV - Setup$" >/dev/null
wait_for "the main screen's gradient" sh -c "'$shot' grab '$out/01-main-screen.png' &&
  '$shot' uniform '$out/01-main-screen.png' 767 0 1023 0080FF"
check "gradient top row" "$shot" uniform "$out/01-main-screen.png" 0 400 900 000080
check "gradient bottom row" "$shot" uniform "$out/01-main-screen.png" 767 0 1023 0080FF
check "gradient bands" "$shot" bands "$out/01-main-screen.png" 1016 000080 0080FF 255
check "header shadow one pixel up-left" "$shot" shadow "$out/01-main-screen.png" 0 0 520 46 FFFFFF 000000

# The expansion stage: a tool window without minimise and maximise boxes; then its question for
# the second disk, answered with Enter once the disk is there. Standard error names the file
# looked for and the folder that stands for A:.
unzip=$(window "^Preparing Setup")
frame_check "expansion window" "$unzip"
grab 02-expansion
read -r ux uy < <(origin "$unzip")
check "expansion bars empty" equals 0 "$shot" fill "$out/02-expansion.png" $((ux + 6)) $((uy + 42)) 369 15 000080
box=$(focused_window "^ZEV - Setup$" zev-box)
grab 03-insert-disk-2
check "missing disk named on standard error" grep -F "disk #2 is missing: A:\\ZEVSetup.002 was not found; A: is the folder $out/set/disk1" "$out/stderr.log"
cp "$out/held/zevsetup.002" "$out/set/disk1/"
keys Return
gone "$box"

# The wizard: a tool window; the focus on Next.
wizard=$(focused_window "^Setup ")
frame_check "wizard" "$wizard"
check "wizard: close box" grep -qw close <("$shot" actions "$wizard")
wait_for "the welcome page" logged "page 0 (welcome) shown"
focus_shown 04-page0-welcome "$wizard" 296 239 60 25
keys Return
wait_for "the licence page" logged "page 1 (licence) shown"
focus_shown 05-page1-licence "$wizard" 0 0 433 192
# Tab from the licence text reaches Decline, then Accept; Shift+Tab goes back.
keys Tab Tab shift+Tab
focus_shown 05-page1-decline "$wizard" 264 196 78 25
keys Tab
focus_shown 05-page1-accept "$wizard" 348 196 78 25
keys space
wait_for "the destination page" logged "page 2 (destination) shown"
focus_shown 06-page2-destination "$wizard" 346 176 70 25

# The chooser opens with the focus on OK; Escape leaves it as Cancel does.
keys Return
chooser=$(focused_window "^Select Directory$")
check "chooser: cannot be maximised" lacks maximize_horz "$shot" actions "$chooser"
focus_shown 07-directory-chooser "$chooser" 152 152 75 25
keys Escape
gone "$chooser"
# Again: a destination on a drive that does not exist, typed into the text field and taken with
# Enter (OK). Next (Alt+N) refuses it with a box naming the problem, and the page stays.
keys Return
chooser=$(focused_window "^Select Directory$")
keys Tab Tab ctrl+a
xdotool type --delay 20 'Q:\x'
keys Return
gone "$chooser"
keys alt+n
box=$(focused_window "^ZEV - Setup$" zev-box)
grab 08-destination-refused
keys Return
gone "$box"
wait_for "the refusal in the log" logged 'box "The destination "Q:\x" is on drive Q:, which does not exist."'
check "refused destination keeps the page" sh -c "! grep -q 'page 3' '$out/run.log'"
# Once more through the chooser's directory list: it still shows the folder of the first
# opening (Q: does not exist). Down and Enter open docs, Up and Enter its parent; OK takes it.
keys Return
chooser=$(focused_window "^Select Directory$")
keys Tab Tab Tab
focus_shown 09-chooser-list "$chooser" 4 148 137 97
keys Down Return Up Return Tab Tab
focus_shown 10-chooser-ok-again "$chooser" 152 152 75 25
keys Return
gone "$chooser"
keys alt+n
wait_for "the program folder page" logged "page 3 (program folder) shown"
check "destination from the chooser's list" logged 'destination C:\Program Files\ZEV Demo'

# The program folder: from the folder name Tab reaches the list, where Down selects the first
# folder and Enter takes it; Tab and Space tick Add Folder to Start Menu.
keys Tab Down Return Tab space
focus_shown 11-page3-folder "$wizard" 56 184 200 17
read -r wx wy < <(origin "$wizard")
check "check box shows a tick, not a square" equals "FFFFFF 000000" \
  sh -c "echo \$('$shot' pixel '$out/11-page3-folder.png' $((wx + 59)) $((wy + 189))) \$('$shot' pixel '$out/11-page3-folder.png' $((wx + 61)) $((wy + 194)))"
keys Return
wait_for "the ready page" logged "page 5 (ready) shown"
# The radio buttons (the package checks Launch Program): Down moves the check to Return to
# Windows, Up back, Down again.
keys Down Up Down
focus_shown 12-page5-ready "$wizard" 56 86 300 17
keys Return
wait_for "the install page" logged "page 6 (install) shown"

# The worker asks before replacing the older manual (Enter: Yes), then about the shortcuts:
# Alt+N, no Desktop link; Alt+Y, a Start Menu link.
confirm=$(focused_window "^Confirm$" zev-box)
grab 13-page6-install
keys Return
gone "$confirm"
confirm=$(focused_window "^Confirm$" zev-box)
grab 14-desktop-question
keys alt+n
gone "$confirm"
confirm=$(focused_window "^Confirm$" zev-box)
keys alt+y
gone "$confirm"
finish_setup keyboard
check "manual replaced" cmp "$src/samples/package/docs/manual.txt" "$dest/docs/manual.txt"
check "program installed" cmp "$src/samples/package/bin/zevdemo.txt" "$dest/zevdemo.txt"
check "uninstall list written" test -f "$dest/uninstall.cfg"
check "folder from the list, in the Start Menu (the ticked box)" test -e "$machine/drive_c/WINDOWS/Start Menu/Accessories/ZEV Demo.lnk"
check "no desktop link" test ! -e "$machine/drive_c/WINDOWS/Desktop/ZEV Demo.lnk"
check "start menu link" test -e "$machine/drive_c/WINDOWS/Start Menu/ZEV Demo.lnk"
check "nothing started at the end" sh -c "! grep -q '] starting ' '$out/run.log'"

echo "--- 2. an installation by mouse on a new machine"
machine2="$out/machine2"
mkdir -p "$machine2/drive_c/Apps" "$machine2/drive_c/WINDOWS/Start Menu/Programs/Games"
start_setup "$out/set/disk1" "$machine2" "$out/run2.log"
# The window manager's close command on the expansion window (which has no close box of its
# own) is a click on it: the question whether to abort, answered No.
unzip=$(focused_window "^Preparing Setup")
keys alt+F4
box=$(focused_window "^ZEV - Setup$" zev-box)
grab 20-abort-question
keys Return
gone "$box"
wait_for "the answer in the log" logged 'box "Abort Setup Process ?" [ZEV - Setup] -> No'
wizard=$(focused_window "^Setup ")
wait_for "the welcome page" logged "page 0 (welcome) shown"
click "$wizard" 326 251  # Next
wait_for "the licence page" logged "page 1 (licence) shown"
click "$wizard" 387 208  # Accept
wait_for "the destination page" logged "page 2 (destination) shown"
# The chooser: closing it is Cancel. Opened again, its list shows C:\, the nearest folder above
# the destination that does not exist yet; a double click on Apps opens it, and OK takes it.
click "$wizard" 381 188  # Browse
chooser=$(focused_window "^Select Directory$")
keys alt+F4
gone "$chooser"
click "$wizard" 381 188
chooser=$(focused_window "^Select Directory$")
grab 21-chooser-nearest-folder
click "$chooser" 40 173 double  # the second entry: Apps
focus_shown 22-chooser-double-click "$chooser" 4 148 137 97
click "$chooser" 189 164  # OK
gone "$chooser"
click "$wizard" 326 251  # Next
wait_for "the program folder page" logged "page 3 (program folder) shown"
check "double click opened the folder" logged 'destination C:\Apps'
# A double click on Games in the Folders list puts it into the folder name.
click "$wizard" 120 88 double
grab 23-folders-double-click
click "$wizard" 326 251  # Next
wait_for "the ready page" logged "page 5 (ready) shown"
click "$wizard" 394 251  # Install
confirm=$(focused_window "^Confirm$" zev-box)
keys alt+n
gone "$confirm"
confirm=$(focused_window "^Confirm$" zev-box)
keys alt+n
gone "$confirm"
finish_setup mouse
check "installed where the double click pointed" test -f "$machine2/drive_c/Apps/zevdemo.txt"
check "folder from the double click" test -e "$machine2/drive_c/WINDOWS/Start Menu/Programs/Games/ZEV Demo.lnk"

echo "--- 3. the first installation removed"
# The question naming the package, Yes; the window with its progress bar and the list of what was
# removed, under the closing box; OK ends the program.
log="$out/run3.log"
(exec "$bin/zev-setup" --machine "$machine" --uninstall 'C:\Program Files\ZEV Demo' --log "$log") >"$out/stderr.log" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
question=$(focused_window "^ZEV - Uninstall$" zev-box)
grab 30-uninstall-question
keys alt+y
gone "$question"
wait_for "the answer in the log" logged 'box "Remove Accessories from this computer?" [ZEV - Uninstall] -> Yes'
removing=$(window "^Removing ")
frame_check "removal window" "$removing"
done_box=$(focused_window "^ZEV - Uninstall$" zev-box)
grab 31-uninstall-done
# The box aside, the window shows its full bar and the list of what it removed.
xdotool windowmove "$done_box" 0 0
read -r rx ry < <(origin "$removing")
wait_for "the closing box moved aside" sh -c "'$shot' grab '$out/32-uninstall-window.png' &&
  [ \"\$('$shot' fill '$out/32-uninstall-window.png' $((rx + 8)) $((ry + 28)) 404 16 000080)\" -gt 390 ]"
check "removal window: the bar is full" sh -c "[ \$('$shot' fill '$out/32-uninstall-window.png' $((rx + 8)) $((ry + 28)) 404 16 000080) -gt 390 ]"
keys Return
gone "$done_box"
finish_setup uninstall
check "closing box says it was removed" logged 'box "Accessories was removed." [ZEV - Uninstall] -> OK'
check "installation folder removed" test ! -e "$dest"
check "start menu link removed" test ! -e "$machine/drive_c/WINDOWS/Start Menu/ZEV Demo.lnk"
check "the Start Menu stays" test -d "$machine/drive_c/WINDOWS/Start Menu/Programs/Games"

stop_openbox
if [ "$failed" -ne 0 ]; then
  echo "--- program logs"
  cat "$out/run.log" "$out/run2.log" "$out/run3.log" "$out/stderr.log" 2>/dev/null || true
fi
echo "screenshots in $out"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
