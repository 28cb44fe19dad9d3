#!/usr/bin/env bash
# zev-setup with real windows under a virtual X server: it expands the sample disk set
# and installs it while xdotool clicks and types on its windows; a screenshot of every stage is
# kept in OUT_DIR and checked pixel by pixel.
# Usage: window_test.sh BIN_DIR SOURCE_DIR OUT_DIR
set -euo pipefail
bin=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
out=$3

if [ -z "${ZEV_WINDOW_TEST_DISPLAY:-}" ]; then
  for tool in xvfb-run xdotool; do
    command -v "$tool" >/dev/null || { echo "window_test: $tool is missing (scripts/test installs it)"; exit 1; }
  done
  # -noreset: by default the server resets whenever its last client leaves, and a program
  # connecting during the reset is turned away.
  exec xvfb-run -a -s "-screen 0 1024x768x24 -noreset" env ZEV_WINDOW_TEST_DISPLAY=1 "$0" "$@"
fi

# xvfb-run may hand over before the server takes connections: wait until it answers.
for n in $(seq 100); do
  xdotool getdisplaygeometry >/dev/null 2>&1 && break
  sleep 0.1
done
xdotool getdisplaygeometry >/dev/null 2>&1 || { echo "window_test: the virtual display $DISPLAY never answered"; exit 1; }

rm -rf "$out"
mkdir -p "$out"
out=$(cd "$out" && pwd)
shot="$bin/screen_shot"
passed=0
failed=0
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
# The id of the visible window whose title matches (and whose class: zev-setup for forms,
# zev-box for boxes), waiting up to 60 s for it: a loaded machine may start programs slowly.
window() {
  local id="" n candidate
  for n in $(seq 600); do
    for candidate in $(xdotool search --onlyvisible --classname "${2:-zev-setup}" 2>/dev/null || true); do
      [[ "$(xdotool getwindowname "$candidate" 2>/dev/null)" =~ $1 ]] && id=$candidate
    done
    [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || { echo "window_test: no window \"$1\" appeared" >&2; cat "$out/run.log" "$out/stderr.log" >&2; exit 1; }
  echo "$id"
}
# Waits until the window is gone.
gone() {
  local n
  for n in $(seq 600); do
    xdotool getwindowname "$1" >/dev/null 2>&1 || return 0
    xdotool search --onlyvisible --name "." 2>/dev/null | grep -qx "$1" || return 0
    sleep 0.1
  done
  echo "window_test: window $1 stayed open" >&2
  exit 1
}
origin() {  # origin WINDOW: prints "X Y" of its client area on the screen
  xdotool getwindowgeometry "$1" | sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p'
}
click() {  # click WINDOW X Y [double]: a real mouse click at a point of the window
  local repeat=1
  [ "${4:-}" = double ] && repeat=2
  xdotool mousemove --window "$1" "$2" "$3" sleep 0.1 click --repeat "$repeat" --delay 80 1
  sleep 0.4
}
key() {  # key WINDOW KEYS...: real key presses with the window focused
  local w=$1
  shift
  xdotool windowfocus "$w" 2>/dev/null || true
  sleep 0.1
  xdotool key --delay 50 "$@"
  sleep 0.3
}
grab() {
  sleep 0.3
  "$shot" grab "$out/$1.png"
}

# The sample package on two disks; disk 2 is held back until the program asks for it.
"$bin/zevpack" build "$src/samples/package" "$out/set" --disk-folders --size 16384 >"$out/zevpack.log" 2>&1
mkdir -p "$out/held"
mv "$out/set/disk2/zevsetup.002" "$out/held/"
# An earlier copy of the manual is installed already, so the worker asks before replacing it.
dest="$out/machine/drive_c/Program Files/ZEV Demo"
mkdir -p "$dest/docs"
echo "an older manual" >"$dest/docs/manual.txt"

# Under the leak checker the caches of the X libraries are not the program's leaks.
export LSAN_OPTIONS="suppressions=$src/tests/ui_fltk/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
(cd "$out/set/disk1" && exec "$bin/zev-setup" --machine "$out/machine" --log "$out/run.log") >"$out/stderr.log" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT

# 1. The main screen: gradient from 0x800000 (navy) to 0xFF8000 as install.cfg gives them in
# BGR order, the header white over a black shadow.
main=$(window "^ZEV - Setup$")
grab 01-main-screen
check "gradient top row" "$shot" uniform "$out/01-main-screen.png" 0 400 900 000080
check "gradient bottom row" "$shot" uniform "$out/01-main-screen.png" 767 0 1023 0080FF
check "gradient bands" "$shot" bands "$out/01-main-screen.png" 1016 000080 0080FF 255
check "header shadow one pixel up-left" "$shot" shadow "$out/01-main-screen.png" 0 0 520 46 FFFFFF 000000

# 2. The expansion stage, then its question for the second disk.
unzip=$(window "^Preparing Setup")
grab 02-expansion
read -r ux uy < <(origin "$unzip")
check "expansion bars empty" equals 0 "$shot" fill "$out/02-expansion.png" $((ux + 6)) $((uy + 42)) 369 15 000080
box=$(window "^ZEV - Setup$" zev-box)
grab 03-insert-disk-2
cp "$out/held/zevsetup.002" "$out/set/disk1/"
read -r bx by < <(origin "$box")
bw=$(xdotool getwindowgeometry "$box" | sed -n 's/.*Geometry: \([0-9]*\)x\([0-9]*\).*/\1/p')
bh=$(xdotool getwindowgeometry "$box" | sed -n 's/.*Geometry: \([0-9]*\)x\([0-9]*\).*/\2/p')
click "$box" $((bw / 2)) $((bh - 20))
gone "$box"

# 3. The wizard, page by page through its own buttons.
wizard=$(window "^Setup ")
grab 04-page0-welcome
click "$wizard" 326 251  # Next
grab 05-page1-licence
click "$wizard" 387 208  # Accept
grab 06-page2-destination
click "$wizard" 381 188  # Browse
chooser=$(window "^Select Directory$")
click "$chooser" 100 114  # into Edit1
key "$chooser" ctrl+a
xdotool type --delay 20 'C:\Elsewhere'
grab 07-directory-chooser
click "$chooser" 189 204  # Cancel: the destination stays
gone "$chooser"
click "$wizard" 326 251  # Next
click "$wizard" 62 192  # CheckBox1
grab 08-page3-folder
click "$wizard" 326 251  # Next
click "$wizard" 62 94  # RadioButton2: nothing is started at the end
grab 09-page5-ready
click "$wizard" 394 251  # Install

# 4. The worker asks before replacing the older manual. Its bar counts the entries of four
# sections and stands at the manual's index among the files.
cfg="$src/samples/package/install.cfg"
entries() { awk -v s="[$1]" '/^\[/ {on = ($0 == s); next} on && /=/ {n++} END {print n + 0}' "$cfg" | tr -d '\r'; }
total=$(($(entries Files) + $(entries Desktop) + $(entries "INI - Setup") + $(entries WorkStation)))
index=$(awk '/^\[/ {on = ($0 == "[Files]"); next} on && /=/ {if ($0 ~ /manual\.txt/) print n; n++}' "$cfg")
confirm=$(window "^Confirm$" zev-box)
grab 10-page6-install
read -r wx wy < <(origin "$wizard")
check "install progress bar fill ($index of $total)" equals $(((369 - 2) * index / total)) \
  "$shot" fill "$out/10-page6-install.png" $((wx + 56)) $((wy + 198)) 369 16 000080
key "$confirm" Return  # Yes
gone "$confirm"
# The shortcut questions: no Desktop link, a Start Menu link.
confirm=$(window "^Confirm$" zev-box)
grab 11-desktop-question
key "$confirm" alt+n
gone "$confirm"
confirm=$(window "^Confirm$" zev-box)
key "$confirm" alt+y
gone "$confirm"

status=0
for n in $(seq 600); do
  kill -0 $pid 2>/dev/null || break
  sleep 0.1
done
wait $pid || status=$?
trap - EXIT
check "setup exits 0" equals 0 echo $status
check "manual replaced" cmp "$src/samples/package/docs/manual.txt" "$dest/docs/manual.txt"
check "destination kept after Cancel" test -f "$dest/zevdemo.txt"
check "no desktop link" test ! -e "$out/machine/drive_c/WINDOWS/Desktop/ZEV Demo.lnk"
check "start menu link" test -e "$out/machine/drive_c/WINDOWS/Start Menu/ZEV Demo.lnk"
if [ "$failed" -ne 0 ]; then
  echo "--- program log"
  cat "$out/run.log" "$out/stderr.log"
fi
echo "screenshots in $out"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
