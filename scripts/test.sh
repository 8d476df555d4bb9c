#!/usr/bin/env bash
# The test command: installs what is missing, builds, starts the Firebird server (loopback,
# dedicated test user) and runs every test suite. Exits non-zero on any failure.
#
#   scripts/test.sh              the normal pass, built in build/
#   scripts/test.sh --sanitize   the same suites built with AddressSanitizer and
#                                UndefinedBehaviorSanitizer in build-sanitize/: the first error
#                                (a leak included) fails the suite
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
STATE_DIR=${TESSELOR_STATE_DIR:-/var/lib/tesselor-test}
SANITIZE=0
for arg in "$@"; do
  case "$arg" in
  --sanitize) SANITIZE=1 ;;
  *) echo "usage: $0 [--sanitize]" >&2; exit 2 ;;
  esac
done

bash "$ROOT/scripts/install-deps.sh"

if [ "$SANITIZE" = 1 ]; then
  BUILD=${TESSELOR_SANITIZE_BUILD_DIR:-$ROOT/build-sanitize}
  FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
  # The measurements are not run here: no sanitized benchmark program is built.
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSELOR_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$FLAGS" -DCMAKE_C_FLAGS="$FLAGS" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined"
  # Leaks are errors, except what the Firebird client library and its engine keep for the
  # life of the process. The runtime's hook on __tls_get_addr keeps a record of each loaded
  # module's thread-local block; here one record ends up with a garbage address, and the leak
  # checker's tracer crashes on it at exit ("Tracer caught signal 11" after "DTLS 13 at
  # 0x0000000006d1-..."), so no leak check is made. With the hook off the checker runs and
  # still reports leaks.
  export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=0:intercept_tls_get_addr=0"
  export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
  export LSAN_OPTIONS="suppressions=$ROOT/scripts/lsan.supp:print_suppressions=0"
else
  BUILD=${TESSELOR_BUILD_DIR:-$ROOT/build}
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
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
exec ctest --output-on-failure
