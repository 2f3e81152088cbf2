#!/usr/bin/env bash
# Installs what is missing, builds Dialtop and runs every test.
# DIALTOP_SANITIZE=1 builds with AddressSanitizer and UndefinedBehaviorSanitizer.
set -u
ROOT=$(cd "$(dirname "$0")" && pwd)
CMAKE_EXTRA=${CMAKE_EXTRA:-}
if [ "${DIALTOP_SANITIZE:-0}" = 1 ]; then
  BUILD_DIR=${DIALTOP_BUILD_DIR:-$ROOT/build-asan}
  CMAKE_EXTRA="$CMAKE_EXTRA -DDIALTOP_SANITIZE=ON -DDIALTOP_BENCHMARKS=OFF"
else
  BUILD_DIR=${DIALTOP_BUILD_DIR:-$ROOT/build}
fi
. "$ROOT/tools/setup-common.sh"
dialtop_install_packages || exit 1
dialtop_build || exit 1
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$BUILD_DIR" --output-on-failure -j2 --timeout 300
