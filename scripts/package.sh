#!/usr/bin/env bash
# The package command: installs what is missing, builds the program for the prefix /usr in a
# build directory of its own and makes the Debian package with CPack. Prints its path;
# install it with `apt-get install ./tesselor_<version>_<arch>.deb`.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${TESSELOR_PACKAGE_BUILD_DIR:-$ROOT/build-deb}

bash "$ROOT/scripts/install-deps.sh"
# Installing must not build the tests and the benchmark: the package holds the program only.
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON
cmake --build "$BUILD" -j2 --target tesselor
rm -f "$BUILD"/tesselor_*.deb
(cd "$BUILD" && cpack -G DEB >/dev/null)
ls "$BUILD"/tesselor_*.deb
