# Sourced by the scripts: installs the Debian packages the build and the tests need.
zev_packages=(
  cmake ninja-build g++-12 clang-14 libclang-rt-14-dev openbox
  libgtest-dev libgmock-dev zlib1g-dev liblnk-utils
  libpng-dev libfreetype-dev libfontconfig-dev fonts-dejavu-core fonts-dejavu-extra fonts-liberation
  libfltk1.3-dev libx11-dev xvfb xauth xdotool
  dpkg-dev man-db
)

zev_install_packages() {
  local missing=()
  local pkg
  for pkg in "${zev_packages[@]}" "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
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
