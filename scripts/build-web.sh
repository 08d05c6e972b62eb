#!/bin/bash
# build-web.sh [build folder [target]]: builds the browser's player with Debian's emscripten
# against the libraries build-web-deps.sh builds or reuses: configures the folder (default
# build/web) with emcmake cmake -DMAVLET_WEB=ON and builds the target (default
# mavlet_web_player; check-web-compile.sh asks for "all", every platform-free library). Prints
# the output folder (<build>/player: mavlet.js, mavlet.wasm and the pages) on the last line.
# Exits non-zero, with the failing step's last lines, when the libraries, the configure or the
# build fail.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
out=${1:-$root/build/web}
target=${2:-mavlet_web_player}
# emcc's optimising link runs a node script that needs Debian's node-acorn.
export NODE_PATH=${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
built=$("$here/build-web-deps.sh") || { echo "FAIL: the browser libraries did not build" && exit 1; }
roots="" pcpath=""
while read -r _ dir; do
    roots=${roots:+$roots;}$dir
    pcpath=${pcpath:+$pcpath:}$dir/lib/pkgconfig
done <<<"$built"
log=$(mktemp "${TMPDIR:-/tmp}/mavlet-web-build.XXXXXX")
trap 'rm -f "$log"' EXIT
# CMake keeps the libraries it found in its cache: when a recipe changed (a new keyed folder),
# a folder configured before would go on linking the old ones, so it is configured afresh.
libs_used=$out/mavlet-web-libraries.txt
if [ -f "$out/CMakeCache.txt" ] && [ "$(cat "$libs_used" 2>/dev/null)" != "$roots" ]; then
    rm -f "$out/CMakeCache.txt"
fi
# Only the cache's .pc files: the build machine's libraries must never leak in.
if ! PKG_CONFIG_LIBDIR=$pcpath emcmake cmake -S "$root" -B "$out" -G Ninja -DMAVLET_WEB=ON \
    -DCMAKE_BUILD_TYPE=Release -DMAVLET_WERROR=ON "-DCMAKE_PREFIX_PATH=$roots" \
    "-DCMAKE_FIND_ROOT_PATH=$roots" >"$log" 2>&1; then
    echo "FAIL: the web configure failed:"
    tail -n 25 "$log" | sed 's/^/    /'
    exit 1
fi
echo "$roots" >"$libs_used"
if ! cmake --build "$out" -j"$(nproc)" --target "$target" -- -k 0 >"$log" 2>&1; then
    echo "FAIL: $target does not build with emscripten:"
    grep -E -A3 'error:|FAILED:' "$log" | head -n 60 | sed 's/^/    /'
    exit 1
fi
echo "$out/player"
