#!/bin/bash
# check-web-compile.sh [build folder]: configures the platform-free libraries for the browser
# (emcmake cmake -DMAVLET_WEB=ON, default folder build/web-check) against the libraries
# build-web-deps.sh builds or reuses, and compiles them with Debian's emscripten. Exits non-zero
# when the libraries cannot be built, the configure fails or a file does not compile; the last
# lines of the failing step's log are printed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
out=${1:-$root/build/web-check}
# emcc's optimising link runs a node script that needs Debian's node-acorn.
export NODE_PATH=${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs
built=$("$here/build-web-deps.sh") || { echo "FAIL: the browser libraries did not build" && exit 1; }
roots="" pcpath=""
while read -r _ dir; do
    roots=${roots:+$roots;}$dir
    pcpath=${pcpath:+$pcpath:}$dir/lib/pkgconfig
done <<<"$built"
log=$(mktemp "${TMPDIR:-/tmp}/mavlet-web-compile.XXXXXX")
trap 'rm -f "$log"' EXIT
# Only the cache's .pc files: the build machine's libraries must never leak in.
if ! PKG_CONFIG_LIBDIR=$pcpath emcmake cmake -S "$root" -B "$out" -G Ninja -DMAVLET_WEB=ON \
    -DCMAKE_BUILD_TYPE=Release -DMAVLET_WERROR=ON "-DCMAKE_PREFIX_PATH=$roots" \
    "-DCMAKE_FIND_ROOT_PATH=$roots" >"$log" 2>&1; then
    echo "FAIL: the web configure failed:"
    tail -n 25 "$log" | sed 's/^/    /'
    exit 1
fi
if ! cmake --build "$out" -j"$(nproc)" -- -k 0 >"$log" 2>&1; then
    echo "FAIL: the shared code does not compile with emscripten:"
    grep -E 'error:|FAILED:' "$log" | head -n 40 | sed 's/^/    /'
    exit 1
fi
echo "ok: the platform-free libraries compile with $(emcc --version | sed -n 1p)"
