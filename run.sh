#!/usr/bin/env bash
# Installs what is missing, builds Dialtop and starts it; arguments go to the program.
set -u
ROOT=$(cd "$(dirname "$0")" && pwd)
BUILD_DIR=${DIALTOP_BUILD_DIR:-$ROOT/build}
CMAKE_EXTRA=${CMAKE_EXTRA:-}
. "$ROOT/tools/setup-common.sh"
dialtop_install_packages || exit 1
dialtop_build || exit 1
if [ -x "$BUILD_DIR/bin/dialtop" ]; then
  exec "$BUILD_DIR/bin/dialtop" "$@"
fi
# Until the main window exists, show the starter theme.
exec "$BUILD_DIR/bin/dialtop-theme" dump "$BUILD_DIR/share/dialtop/First.Theme"
