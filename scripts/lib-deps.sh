# Sourced by the scripts: installs the Debian packages the build and the tests need.
zev_packages=(
  cmake ninja-build g++-12 clang-14 libclang-rt-14-dev openbox
  libgtest-dev libgmock-dev zlib1g-dev liblnk-utils
  libpng-dev libfreetype-dev libfontconfig-dev fonts-dejavu-core fonts-dejavu-extra fonts-liberation
  libfltk1.3-dev libx11-dev xvfb xauth xdotool
  dpkg-dev man-db
)

# The Windows stage's own packages: the MinGW-w64 cross compilers (the -posix ones, whose
# thread model has std::mutex), zlib and GoogleTest's sources for them, the header-only PNG
# coders (stb: libpng has no MinGW package), and Wine to run the 64-bit programs. Apart from
# the main list, so that the main job installs no Wine.
zev_windows_packages=(
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix libz-mingw-w64-dev googletest libstb-dev
  wine64 fonts-wine
)

# Installs the packages of the list that are missing: zev_apt_install_missing [APT_OPTION...] -- PACKAGE...
zev_apt_install_missing() {
  local options=()
  while [ "$1" != "--" ]; do options+=("$1"); shift; done
  shift
  local missing=()
  local pkg
  for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${options[@]}" "${missing[@]}"
}

zev_install_packages() {
  zev_apt_install_missing -- "${zev_packages[@]}" "$@"
}

# Wine's recommendations (32-bit Wine, a desktop's worth of libraries) are not needed to run
# the 64-bit programs.
zev_install_windows_packages() {
  zev_apt_install_missing --no-install-recommends -- "${zev_windows_packages[@]}"
}

# The g++ tree in build/: the main job and the tests configure it alike, so that neither has to
# compile what the other built.
zev_gcc_build=(build g++-12 -DCMAKE_BUILD_TYPE=RelWithDebInfo)

# Configures one tree: zev_configure DIR COMPILER [cmake options...]
zev_configure() {
  local dir=$1 compiler=$2
  shift 2
  cmake -S . -B "$dir" -G Ninja -DCMAKE_CXX_COMPILER="$compiler" -DZEV_WERROR=ON "$@" >/dev/null
}

# Configures and builds one tree: zev_build DIR COMPILER [cmake options...]
zev_build() {
  zev_configure "$@"
  cmake --build "$1"
}
