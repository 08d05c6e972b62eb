#!/bin/bash
# check-web-deps.sh [library]...: smoke checks of the browser build's libraries. Builds or reuses
# them with build-web-deps.sh, compiles one small C program per library
# (scripts/web-deps-checks/<library>_check.c) with emcc and the cached .pc files, and runs it with
# node. With no arguments every check runs; names pick some (zlib png freetype sdl2 ffmpeg
# cmake). "cmake" configures scripts/web-deps-checks/CMakeLists.txt with emcmake against the
# cache (SDL2's CMake file, CMake's own find modules, pkg-config for FFmpeg) and runs the SDL2
# check linked that way. The FreeType check reads a Japanese font found through fontconfig; the
# FFmpeg check decodes small movies that the machine's ffmpeg program encodes (one per codec and
# container pair below; a pair whose encoder that program lacks is skipped with a note).
# Prints one line per check; exits non-zero when a check fails to compile, fails, or runs longer
# than 120 s.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# emcc's optimising link (-O2 and above) runs a node script that needs Debian's node-acorn.
export NODE_PATH=${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs
declare -A prefix
built=$("$here/build-web-deps.sh") || { echo "FAIL: the libraries did not build" && exit 1; }
while read -r name dir; do prefix[$name]=$dir; done <<<"$built"

pcpath=$(for d in "${prefix[@]}"; do printf '%s:' "$d/lib/pkgconfig"; done)
work=$(mktemp -d "${TMPDIR:-/tmp}/mavlet-web-check.XXXXXX")
trap 'rm -rf "$work"' EXIT

# flags <library>: the compile and link flags from the library's own .pc files, searched only in
# the cache (the build machine's libraries never leak in).
flags() {
    local pc=$1
    case $1 in
    png) pc=libpng16 ;;
    freetype) pc=freetype2 ;;
    ffmpeg) pc="libavformat libavcodec libswscale libswresample libavutil" ;;
    esac
    # shellcheck disable=SC2086
    PKG_CONFIG_LIBDIR=$pcpath pkg-config --cflags --libs $pc
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
    ffmpeg) cat "$work/movies.list" ;;
    esac
}

# movies: encodes 5 frames of #3366CC at 32x24 and 25 frames a second (with 0.2 s of a 440 Hz
# tone where an audio codec is given) per "file video-codec[,option,value]... [audio-codec]" line
# into $work/movies; lists their paths in $work/movies.list. Fails when an encoding fails.
movies() {
    local name vcodec acodec encoders opts
    encoders=$(ffmpeg -hide_banner -encoders 2>/dev/null)
    mkdir -p "$work/movies"
    while read -r name vcodec acodec; do
        local v=(-c:v "${vcodec%%,*}") a=(-an)
        # shellcheck disable=SC2206
        [[ $vcodec == *,* ]] && opts=${vcodec#*,} && v+=(${opts//,/ })
        [ -n "$acodec" ] && a=(-c:a "$acodec")
        if ! grep -q " ${vcodec%%,*} " <<<"$encoders" || { [ -n "$acodec" ] && ! grep -q " $acodec " <<<"$encoders"; }; then
            echo "skip $name: this machine's ffmpeg cannot encode it" >&2
            continue
        fi
        ffmpeg -v error -y -f lavfi -i color=c=0x3366cc:s=32x24:r=25:d=0.2 -f lavfi \
            -i sine=f=440:r=22050:d=0.2:samples_per_frame=441 \
            "${v[@]}" "${a[@]}" "$work/movies/$name" </dev/null ||
            { echo "FAIL ffmpeg: this machine's ffmpeg did not encode $name"; return 1; }
        echo "$work/movies/$name" >>"$work/movies.list"
    done <<'LIST'
rawvideo.avi rawvideo,-pix_fmt,bgr24 pcm_s16le
msvideo1.avi msvideo1,-pix_fmt,rgb555le adpcm_ms
cinepak.avi cinepak adpcm_ima_wav
mjpeg.avi mjpeg,-pix_fmt,yuvj420p pcm_s16le
mpeg4.avi mpeg4 mp2
msmpeg4.avi msmpeg4
huffyuv.avi huffyuv,-pix_fmt,yuv422p
mpeg1.mpg mpeg1video mp2
wmv2.wmv wmv2 wmav2
h264.mp4 libx264,-pix_fmt,yuv420p aac
vp8.webm libvpx libvorbis
vp9.mkv libvpx-vp9 libopus
refused-h264-10bit.mp4 libx264,-pix_fmt,yuv420p10le
refused-vp9-10bit.mkv libvpx-vp9,-pix_fmt,yuv420p10le
LIST
}

failed=0
wanted=("$@")
[ ${#wanted[@]} -gt 0 ] || wanted=(zlib png freetype sdl2 ffmpeg cmake)
for lib in "${wanted[@]}"; do
    if [ "$lib" = cmake ]; then
        roots=$(printf '%s;' "${prefix[@]}")
        if ! PKG_CONFIG_LIBDIR=$pcpath emcmake cmake -S "$here/web-deps-checks" -B "$work/cmake" \
            -G Ninja -DCMAKE_BUILD_TYPE=Release "-DCMAKE_PREFIX_PATH=$roots" \
            "-DCMAKE_FIND_ROOT_PATH=$roots" >"$work/cc.log" 2>&1 ||
            ! cmake --build "$work/cmake" >>"$work/cc.log" 2>&1; then
            echo "FAIL cmake: the CMake consumer does not configure or link:"
            tail -n 15 "$work/cc.log" | sed 's/^/    /'
            failed=1
        elif ! timeout 120 node --no-experimental-fetch "$work/cmake/sdl2_cmake_check.js" |
            sed 's/^ok /ok through CMake: /'; then
            echo "FAIL cmake"
            failed=1
        fi
        continue
    fi
    [ -n "${prefix[$lib]:-}" ] || { echo "FAIL $lib: no such library" && failed=1 && continue; }
    out=$work/${lib}_check.js
    if [ "$lib" = ffmpeg ] && ! movies; then
        failed=1
        continue
    fi
    # shellcheck disable=SC2046
    if ! emcc -O1 -std=c11 -Wall -Werror "$here/web-deps-checks/${lib}_check.c" -o "$out" \
        -sNODERAWFS=1 -sEXIT_RUNTIME=1 $(flags "$lib") 2>"$work/cc.log"; then
        echo "FAIL $lib: the check does not compile or link:"
        sed 's/^/    /' "$work/cc.log"
        failed=1
        continue
    fi
    # SDL2's audio back end calls these from inline JavaScript: linked without them, the page
    # fails only once sound opens.
    if [ "$lib" = sdl2 ] && ! grep -q 'function autoResumeAudioContext' "$out"; then
        echo "FAIL sdl2: linked without the JavaScript helpers its audio back end calls"
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
