# Shared by the zev-setup end-to-end scripts, sourced after `set -u` with the programs' folder as
# $1: $bin, a work folder removed at exit (kept when ZEV_KEEP is set), fail() counting failures,
# crlf() for Windows line ends, and the install test's package.
bin=$(cd "$1" && pwd)
work=$(mktemp -d)
trap '[ -n "${ZEV_KEEP:-}" ] || rm -rf "$work"' EXIT
export LC_ALL=C
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
crlf() { sed 's/$/\r/'; }

# make_test_package DIR: payload in sub-folders (one file large and incompressible enough for
# three 16 KB disks), every list section, a licence of several lines.
make_test_package() {
  mkdir -p "$1/bin" "$1/docs" "$1/data"
  awk 'BEGIN { s = 4242; for (i = 0; i < 40000; i++) { s = (s * 69069 + 1) % 4294967296; printf "%c", int(s / 16777216) % 255 + 1 } }' > "$1/data/payload.bin"
  printf 'the program\n' > "$1/bin/app.exe"
  printf 'a library\n' > "$1/bin/lib.dll"
  printf 'read me first\n' > "$1/docs/readme.txt"
  printf 'shared\n' > "$1/bin/shared.dll"
  printf 'Licence terms\nYou may install this package.\n' > "$1/license.txt"
  crlf > "$1/install.cfg" <<'CFG'
[Setup - Main]
Install Dir=Test App
INI File=testapp.ini
Launch=<INSTALLDIR>app.exe
Folder=Test App
[Directories]
D1=<INSTALLDIR>~
D2=<SUB1>~docs
D3=<ALT1>~data
D4=<WINDOWS_SYSTEM>~
[Files]
F1=bin\app.exe~<INSTALLDIR>
F2=bin\lib.dll~<INSTALLDIR>
F3=docs\readme.txt~<SUB1>
F4=data\payload.bin~<ALT1>
F5=bin\shared.dll~<WINDOWS_SYSTEM>
[Desktop]
L1=Test App~<INSTALLDIR>app.exe~X~X
L2=Read Me~<SUB1>readme.txt
[INI - Setup]
I1=Paths~Home~<INSTALLDIR>data
[WorkStation]
W1=bin\app.exe~<INSTALLDIR>~X
CFG
}

# pack_disks PACKAGE OUT [NAME]: 16 KB disk folders of a package, with a stand-in setup program
# ($work/setup-program) copied beside the first segment; a failure counts as NAME.
printf 'stand-in for install.exe\n' > "$work/setup-program"
pack_disks() {
  "$bin/zevpack" build "$1" "$2" --disk-folders --size 16384 --setup-program "$work/setup-program" > /dev/null \
    || fail "${3:-zevpack build}"
}
