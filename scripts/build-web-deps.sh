#!/bin/bash
# build-web-deps.sh: builds the C libraries the browser build links, with Debian's emscripten,
# from Debian's source packages, into a cache outside the checkout
# (${MAVLET_WEB_CACHE:-~/.cache/mavlet-web}). Each library lands in
# <cache>/<name>-<debian version>-<recipe hash>/prefix (include/, lib/, lib/pkgconfig/); the
# recipe hash covers this library's build function and emcc's version, so a changed recipe or
# compiler builds anew and an unchanged one is reused at once. A build runs in a temporary folder
# that is renamed into place only when complete: an interrupted run leaves nothing later runs trust.
# Currently built: zlib. Still to do: SDL2, FreeType, libpng, FFmpeg (see docs/web-libraries.md).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/setup-web.sh"
cache=${MAVLET_WEB_CACHE:-$HOME/.cache/mavlet-web}
src=$cache/src
mkdir -p "$src"
emver=$(emcc --version | head -1)

# fetch <source package>: downloads the Debian source once; prints the version.
fetch() {
    local v
    v=$(apt-cache showsrc "$1" | awk '/^Version:/ {print $2; exit}')
    ls "$src/$1_${v#*:}.dsc" >/dev/null 2>&1 || (cd "$src" && apt-get source -qq --download-only "$1")
    echo "${v#*:}"
}

build_zlib() { # $1 = source dir, $2 = prefix
    cd "$1"
    local f objs=()
    for f in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate \
        inftrees trees uncompr zutil; do
        emcc -O2 -DHAVE_UNISTD_H -DHAVE_STDARG_H -c $f.c -o $f.o
        objs+=($f.o)
    done
    mkdir -p "$2/include" "$2/lib/pkgconfig"
    emar rcs "$2/lib/libz.a" "${objs[@]}"
    cp zlib.h zconf.h "$2/include/"
    printf 'prefix=${pcfiledir}/../..\nincludedir=${prefix}/include\nlibdir=${prefix}/lib\n\nName: zlib\nDescription: zlib\nVersion: %s\nLibs: -L${libdir} -lz\nCflags: -I${includedir}\n' \
        "${3:-1}" >"$2/lib/pkgconfig/zlib.pc"
}

# library <name> <source package>: builds one library unless its keyed folder exists.
library() {
    local name=$1 pkg=$2 ver key dest tmp t0
    ver=$(fetch "$pkg")
    key=$(printf '%s\n%s\n' "$(declare -f "build_$name")" "$emver" | sha256sum | cut -c1-12)
    dest=$cache/$name-$ver-$key
    [ -d "$dest" ] && { echo "$dest/prefix"; return; }
    tmp=$(mktemp -d "$cache/.tmp-$name.XXXXXX")
    trap 'rm -rf "$tmp"' EXIT
    t0=$(date +%s)
    (cd "$tmp" && dpkg-source -x --no-check "$src/${pkg}_$ver.dsc" s >/dev/null \
        && "build_$name" "$tmp/s" "$tmp/prefix" "$ver") >&2
    rm -rf "$tmp/s"
    mv "$tmp" "$dest"
    trap - EXIT
    echo "$name built in $(($(date +%s) - t0)) s" >&2
    echo "$dest/prefix"
}

library zlib zlib
