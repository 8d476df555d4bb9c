#!/usr/bin/env bash
# Installs the Debian 12 packages the program, its tests and its benchmark need.
# Idempotent: does nothing when everything is present; runs `apt-get update` once, and only
# when something is missing. Needs root (or sudo) only when it has to install.
set -euo pipefail

PACKAGES=(
  cmake g++ make pkg-config ninja-build ccache
  qt6-base-dev qt6-qpa-plugins libqt6sql6-ibase
  libfbclient2 firebird-dev
  firebird3.0-server firebird3.0-server-core firebird3.0-utils firebird3.0-examples
  pxlib-dev libqscintilla2-qt6-dev
  xvfb xauth imagemagick xdotool fontconfig fonts-dejavu-core
  dpkg-dev desktop-file-utils appstream shared-mime-info
  procps strace
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=()
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then
    SUDO=(sudo -n)
  else
    echo "install-deps: missing packages (${missing[*]}) and not root; run as root" >&2
    exit 1
  fi
fi

"${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q </dev/null
"${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
  -o Dpkg::Options::=--force-confdef -o Dpkg::Options::=--force-confold "${missing[@]}" </dev/null
