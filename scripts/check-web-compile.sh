#!/bin/bash
# check-web-compile.sh [build folder]: configures the shared code for the browser (default folder
# build/web-check) against the libraries build-web-deps.sh builds or reuses, and compiles every
# platform-free library with Debian's emscripten (build-web.sh with target "all"). Exits
# non-zero, with the failing step's last lines, when the libraries cannot be built, the configure
# fails or a file does not compile.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
if ! report=$("$here/build-web.sh" "${1:-$root/build/web-check}" all); then
    echo "$report"
    exit 1
fi
echo "ok: the platform-free libraries compile with $(emcc --version | sed -n 1p)"
