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
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS="$FLAGS" -DCMAKE_C_FLAGS="$FLAGS" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined"
  # Leaks are errors, except what the Firebird client library and its engine keep for the
  # life of the process.
  export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=0"
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
if [ "$SANITIZE" = 0 ]; then
  exec ctest --output-on-failure
fi

# LeakSanitizer's own tracer can crash while it stops the process's threads for the leak check
# at exit ("Tracer caught signal 11", "LeakSanitizer has encountered a fatal error"). That says
# nothing about the program, and no leak check was made: a suite that failed only that way,
# after all its tests passed, runs again, up to twice with the leak check; should the checker
# crash every time, a last run without it still holds the suite to every other check, and says
# that its leaks went unchecked. Any other failure fails the pass.
section_of() {
  awk -v name="$1" '
    $0 ~ "^[0-9]+/[0-9]+ Testing: " name "$" { inside = 1 }
    inside { print }
    inside && index($0, "\"" name "\" end time:") == 1 { exit }
  ' Testing/Temporary/LastTest.log
}
tracer_crash_only() {
  local out
  out=$(section_of "$1")
  grep -q 'LeakSanitizer has encountered a fatal error' <<<"$out" &&
    grep -qE '^Totals: [0-9]+ passed, 0 failed' <<<"$out" &&
    ! grep -qE '^FAIL!|ERROR: (AddressSanitizer|LeakSanitizer: detected)|runtime error:' <<<"$out"
}
run_again() {
  local name=$1 try
  for try in 1 2; do
    echo "test.sh: the leak checker crashed at the end of $name after its tests passed; running $name again" >&2
    if ctest --output-on-failure -R "^${name}\$"; then return 0; fi
    tracer_crash_only "$name" || return 1
  done
  echo "test.sh: the leak checker crashed at every end of $name; running $name once more without it (its leaks are unchecked)" >&2
  ASAN_OPTIONS="${ASAN_OPTIONS/detect_leaks=1/detect_leaks=0}" ctest --output-on-failure -R "^${name}\$"
}

if ctest --output-on-failure; then
  exit 0
fi
failed=()
while IFS=: read -r _ name; do
  tracer_crash_only "$name" || exit 1
  failed+=("$name")
done <Testing/Temporary/LastTestsFailed.log
for name in "${failed[@]}"; do
  run_again "$name"
done
