#!/bin/bash
# check-web-deps.sh [library]...: smoke checks of the browser build's libraries. Builds or reuses
# them with build-web-deps.sh, compiles one small C program per library
# (scripts/web-deps-checks/<library>_check.c) with emcc against the cached prefix, and runs it
# with node. With no arguments every library is checked; names pick some (zlib png freetype
# sdl2). The FreeType check reads a Japanese font found through fontconfig.
# Prints one line per check; exits non-zero when any check fails to compile, fails, or runs
# longer than 120 s.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
declare -A prefix
while read -r name dir; do prefix[$name]=$dir; done < <("$here/build-web-deps.sh")

work=$(mktemp -d "${TMPDIR:-/tmp}/mavlet-web-check.XXXXXX")
trap 'rm -rf "$work"' EXIT

# flags <library>: the include and link flags of a library and those it links.
flags() {
    case $1 in
    zlib) echo "-I${prefix[zlib]}/include -L${prefix[zlib]}/lib -lz" ;;
    png) echo "-I${prefix[png]}/include -L${prefix[png]}/lib -lpng16 $(flags zlib)" ;;
    freetype) echo "-I${prefix[freetype]}/include/freetype2 -L${prefix[freetype]}/lib -lfreetype $(flags zlib)" ;;
    sdl2) echo "-I${prefix[sdl2]}/include/SDL2 -L${prefix[sdl2]}/lib -lSDL2" \
        "-sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=\$autoResumeAudioContext,\$dynCall" ;;
    esac
}

# args <library>: the check program's command-line arguments.
args() {
    case $1 in
    freetype)
        local font
        font=$(fc-match -f '%{file}' ':lang=ja')
        [ -f "$font" ] || { echo "no Japanese font found through fontconfig" >&2; return 1; }
        echo "$font"
        ;;
    esac
}

failed=0
wanted=("$@")
[ ${#wanted[@]} -gt 0 ] || wanted=(zlib png freetype sdl2)
for lib in "${wanted[@]}"; do
    [ -n "${prefix[$lib]:-}" ] || { echo "FAIL $lib: no such library" && failed=1 && continue; }
    out=$work/${lib}_check.js
    # shellcheck disable=SC2046
    if ! emcc -O1 -std=c11 -Wall -Werror "$here/web-deps-checks/${lib}_check.c" -o "$out" \
        -sNODERAWFS=1 -sEXIT_RUNTIME=1 $(flags "$lib") 2>"$work/cc.log"; then
        echo "FAIL $lib: the check does not compile or link:"
        sed 's/^/    /' "$work/cc.log"
        failed=1
        continue
    fi
    # shellcheck disable=SC2046
    if ! timeout 120 node --no-experimental-fetch "$out" $(args "$lib"); then
        echo "FAIL $lib"
        failed=1
    fi
done
exit $failed
