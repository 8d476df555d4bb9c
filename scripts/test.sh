#!/usr/bin/env bash
# The test command: installs what is missing, builds, starts the Firebird server (loopback,
# dedicated test user) and runs every test suite. Exits non-zero on any failure.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${TESSELOR_BUILD_DIR:-$ROOT/build}
STATE_DIR=${TESSELOR_STATE_DIR:-/var/lib/tesselor-test}

bash "$ROOT/scripts/install-deps.sh"

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$BUILD" -j2

bash "$ROOT/scripts/start-server.sh"
if [ -r "$STATE_DIR/fb-test.env" ]; then
  set -a
  # shellcheck disable=SC1091
  . "$STATE_DIR/fb-test.env"
  set +a
else
  eval "$(bash "$ROOT/scripts/start-server.sh" --print-env)"
fi

export QT_QPA_PLATFORM=offscreen
cd "$BUILD"
ctest --output-on-failure
