# Shared by run.sh and test.sh: install what Dialtop needs, configure, build.
# Sourced, not run; expects BUILD_DIR and CMAKE_EXTRA to be set.

DIALTOP_PACKAGES="cmake make g++ pkg-config qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev \
libbenchmark-dev shared-mime-info hicolor-icon-theme adwaita-icon-theme xdg-utils \
qt6-multimedia-dev libfontconfig-dev"

dialtop_missing_packages() {
  local missing=""
  for p in $DIALTOP_PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
  done
  echo "$missing"
}

dialtop_install_packages() {
  local missing
  missing=$(dialtop_missing_packages)
  [ -z "$missing" ] && return 0
  if [ "$(id -u)" = 0 ]; then
    echo "Installing:$missing"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q || return 1
    apt-get install -y -q --no-install-recommends $missing || return 1
  else
    echo "Dialtop needs these Debian packages. Install them with:" >&2
    echo "  sudo apt-get install$missing" >&2
    return 1
  fi
}

dialtop_build() {
  cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo $CMAKE_EXTRA || return 1
  cmake --build "$BUILD_DIR" -j2 || return 1
}
