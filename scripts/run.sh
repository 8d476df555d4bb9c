#!/usr/bin/env bash
# The run command: installs what is missing, builds, creates the sample "employee" database
# the first time (embedded engine, no server needed) and starts the program on it.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${TESSELOR_BUILD_DIR:-$ROOT/build}
DATA_DIR=${XDG_DATA_HOME:-$HOME/.local/share}/tesselor
SAMPLE_DB=$DATA_DIR/employee.fdb

bash "$ROOT/scripts/install-deps.sh"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$BUILD" -j2 --target tesselor

# A user who may not write the system's lock directory gets one of their own.
if [ ! -w /tmp/firebird ] && [ "$(id -u)" -ne 0 ]; then
  export FIREBIRD_LOCK=${XDG_RUNTIME_DIR:-/tmp}/tesselor-fblock-$(id -u)
  mkdir -p "$FIREBIRD_LOCK"
fi

find_sample_script() {
  local f
  f=$(dpkg -L firebird3.0-examples firebird3.0-common-doc 2>/dev/null | grep '/employee\.sql\.gz$' | head -n 1 || true)
  if [ -n "$f" ] && [ -r "$f" ]; then
    echo "$f"
    return
  fi
  # Images that drop /usr/share/doc: take the file from the package itself.
  local tmp
  tmp=$(mktemp -d)
  (cd "$tmp" && apt-get download -q firebird3.0-common-doc >/dev/null && dpkg-deb -x ./*.deb x)
  find "$tmp/x" -name employee.sql.gz | head -n 1
}

create_sample_db() {
  local script tmpdb
  script=$(find_sample_script)
  if [ -z "$script" ]; then
    echo "run: the sample script employee.sql.gz was not found" >&2
    exit 1
  fi
  mkdir -p "$DATA_DIR"
  tmpdb=$DATA_DIR/employee.fdb.new
  rm -f "$tmpdb"
  # The script creates 'employee.fdb' in the current directory: point it at our path.
  zcat "$script" |
    sed -E "s|^create database 'employee\.fdb';|create database '$tmpdb';|I" |
    isql-fb -q -b -user SYSDBA >/dev/null
  mv "$tmpdb" "$SAMPLE_DB"
  echo "run: created the sample database $SAMPLE_DB"
}

[ -f "$SAMPLE_DB" ] || create_sample_db

exec "$BUILD/tesselor" "$SAMPLE_DB"
