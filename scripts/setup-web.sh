#!/bin/sh
# setup-web.sh: installs what the browser build needs from Debian 12 only: the emscripten
# package (emcc 3.1.6, clang 14, binaryen), node, and the build tools the library cache uses,
# adds a deb-src entry so build-web-deps.sh can fetch Debian's source packages, and installs
# Debian's chromium and python3, which the browser tests (tests/web) drive headless.
# Idempotent: when everything is present it exits at once; safe to run again.
# Fails (non-zero) when apt cannot install a package or reach the source index.
set -eu

SRC_LIST=/etc/apt/sources.list.d/mavlet-deb-src.sources
PKGS="emscripten nodejs make cmake pkg-config dpkg-dev xz-utils chromium python3"

missing=""
for p in $PKGS; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
if [ -z "$missing" ] && [ -f "$SRC_LIST" ]; then
    exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo

if [ ! -f "$SRC_LIST" ]; then
    $SUDO tee "$SRC_LIST" >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
fi
$SUDO apt-get update -qq
# shellcheck disable=SC2086
[ -z "$missing" ] || $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
