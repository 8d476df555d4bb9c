#!/usr/bin/env bash
# Starts the Firebird server on loopback for the tests, unless one already answers on port 3050,
# and sets up the dedicated test user (allowed to create databases). The SYSDBA password is
# never changed.
#
# The credentials the tests use are left in a root-only file, in shell form:
#   $TESSELOR_STATE_DIR/fb-test.env   (default /var/lib/tesselor-test/fb-test.env)
#   TESSELOR_FB_USER=...  TESSELOR_FB_PASSWORD=...  TESSELOR_FB_HOST=localhost
# scripts/test.sh sources it; `start-server.sh --print-env` prints the same values as exports.
set -euo pipefail

STATE_DIR=${TESSELOR_STATE_DIR:-/var/lib/tesselor-test}
ENV_FILE=$STATE_DIR/fb-test.env
PW_FILE=$STATE_DIR/test-user.password
PROBE_DIR=$STATE_DIR/probe
TEST_USER=TESSELOR_TEST
CONF=/etc/firebird/3.0/firebird.conf
SECURITY_DB=/var/lib/firebird/3.0/system/security3.fdb
SYSDBA_FILE=/etc/firebird/3.0/SYSDBA.password
PORT=3050

log() { echo "start-server: $*" >&2; }

if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then
    exec sudo -n env TESSELOR_STATE_DIR="$STATE_DIR" bash "$0" "$@"
  fi
  log "must run as root (it starts the server as user firebird)"
  exit 1
fi

port_open() { (exec 3<>"/dev/tcp/127.0.0.1/$PORT") 2>/dev/null; }

isql() { isql-fb -q -b "$@"; }

ensure_loopback_binding() {
  # Keep an existing loopback binding; otherwise disable a foreign one and bind to 127.0.0.1.
  local active
  active=$(grep -E '^[[:space:]]*RemoteBindAddress[[:space:]]*=' "$CONF" || true)
  if echo "$active" | grep -qE '=[[:space:]]*(localhost|127\.0\.0\.1|::1)[[:space:]]*$'; then
    return
  fi
  if [ -n "$active" ]; then
    sed -i -E 's/^([[:space:]]*RemoteBindAddress[[:space:]]*=)/#\1/' "$CONF"
  fi
  printf '\n# Added by tesselor scripts/start-server.sh: loopback only.\nRemoteBindAddress = 127.0.0.1\n' >>"$CONF"
  log "set RemoteBindAddress = 127.0.0.1 in $CONF"
}

ensure_dirs() {
  install -d -o firebird -g firebird -m 0775 /run/firebird3.0
  # The lock directory is shared by the server (user firebird) and embedded users (root).
  [ -d /tmp/firebird ] || install -d -o firebird -g firebird -m 0770 /tmp/firebird
  install -d -m 0711 "$STATE_DIR"
  install -d -o firebird -g firebird -m 0770 "$PROBE_DIR"
}

test_user_password() {
  if [ ! -s "$PW_FILE" ]; then
    (umask 077 && head -c 256 /dev/urandom | tr -dc 'A-Za-z0-9' | head -c 20 >"$PW_FILE")
  fi
  chmod 600 "$PW_FILE"
  cat "$PW_FILE"
}

write_env() {  # user password
  (umask 077 && printf 'TESSELOR_FB_USER=%s\nTESSELOR_FB_PASSWORD=%s\nTESSELOR_FB_HOST=localhost\n' "$1" "$2" \
    >"$ENV_FILE.new" && mv "$ENV_FILE.new" "$ENV_FILE")
}

# Embedded on the security database; only possible while no server holds it.
ensure_test_user_embedded() {
  printf "CREATE OR ALTER USER %s PASSWORD '%s' USING PLUGIN Srp;\nGRANT CREATE DATABASE TO USER %s;\nCOMMIT;\n" \
    "$TEST_USER" "$1" "$TEST_USER" | isql -user SYSDBA "$SECURITY_DB" >/dev/null
}

# True when the user can log in over TCP and create a database (what the tests do).
can_create_database() {  # user password
  local db=$PROBE_DIR/probe.fdb
  rm -f "$db"
  printf "CREATE DATABASE 'localhost:%s' USER '%s' PASSWORD '%s';\nDROP DATABASE;\n" "$db" "$1" "$2" |
    isql >/dev/null 2>&1
  local rc=$?
  rm -f "$db"
  return $rc
}

start_server() {
  # Embedded access as root may have left shared lock and mapping files the server must open.
  chown -R firebird:firebird /tmp/firebird
  runuser -u firebird -- /usr/sbin/fbguard -daemon -forever
  for _ in $(seq 1 150); do
    port_open && return 0
    sleep 0.2
  done
  log "the server did not answer on port $PORT"
  return 1
}

main() {
  local pw
  ensure_dirs
  pw=$(test_user_password)
  if ! port_open; then
    ensure_loopback_binding
    ensure_test_user_embedded "$pw"
    start_server
    log "server started on 127.0.0.1:$PORT"
  fi

  if can_create_database "$TEST_USER" "$pw"; then
    write_env "$TEST_USER" "$pw"
  else
    # A server we did not start, without our test user: use the SYSDBA password the package keeps.
    local sysdba_pw
    sysdba_pw=$(sed -n 's/^ISC_PASSWORD=//p' "$SYSDBA_FILE" 2>/dev/null | tr -d '"' || true)
    if [ -n "$sysdba_pw" ] && can_create_database SYSDBA "$sysdba_pw"; then
      log "test user unusable on the running server; using SYSDBA from $SYSDBA_FILE"
      write_env SYSDBA "$sysdba_pw"
    else
      log "no usable login on the running server"
      exit 1
    fi
  fi

  if [ "${1:-}" = "--print-env" ]; then
    # shellcheck disable=SC1090
    . "$ENV_FILE"
    printf 'export TESSELOR_FB_USER=%q\nexport TESSELOR_FB_PASSWORD=%q\nexport TESSELOR_FB_HOST=%q\n' \
      "$TESSELOR_FB_USER" "$TESSELOR_FB_PASSWORD" "$TESSELOR_FB_HOST"
  fi
}

main "$@"
