#!/bin/bash
# build-web-deps.sh: builds the C libraries the browser build links, with Debian's emscripten,
# from Debian's source packages, into a cache outside the checkout
# (${MAVLET_WEB_CACHE:-~/.cache/mavlet-web}). Each library lands in
# <cache>/<name>-<debian version>-<recipe hash>/prefix (include/, lib/, lib/pkgconfig/); the
# recipe hash covers this library's build function, the helpers it calls, emcc's version and
# the prefixes of the libraries it links, so a changed recipe or compiler builds anew and an
# unchanged one is reused at once. A build runs in a temporary folder that is renamed into place
# only when complete: an interrupted run leaves nothing later runs trust.
# Built: zlib, libpng, FreeType, SDL2, FFmpeg, SDL2_mixer (waves only), SDL2_image (BMP, ICO, CUR) (docs/web-libraries.md has the flags, times and sizes).
# Prints one line per library, "<name> <prefix>", on standard output (check-web-deps.sh reads
# them); progress goes to standard error. Fails (non-zero, nothing renamed into place) when a
# source cannot be fetched or a file does not compile.
# The single-quoted ${...} below are pkg-config and CMake variables, written as they are.
# shellcheck disable=SC2016
set -euo pipefail
# Command substitutions ($(library ...)) would otherwise run the recipes without errexit, and a
# failed compile would land in the cache as a complete build.
shopt -s inherit_errexit
here=$(cd "$(dirname "$0")" && pwd)
"$here/setup-web.sh"
cache=${MAVLET_WEB_CACHE:-$HOME/.cache/mavlet-web}
src=$cache/src
mkdir -p "$src"
# Read emcc's whole output: with head, emcc can die of a closed pipe, which pipefail turns into
# a failed run.
emver=$(emcc --version | sed -n 1p)
jobs=$(nproc)

# fetch <source package>: downloads the Debian source once; prints the version.
fetch() {
    local v
    v=$(apt-cache showsrc "$1" | awk '/^Version:/ && !v {v = $2} END {print v}')
    ls "$src/$1_${v#*:}.dsc" >/dev/null 2>&1 || (cd "$src" && apt-get source -qq --download-only "$1")
    echo "${v#*:}"
}

# shellcheck disable=SC2206 # object and source names have no spaces
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

# cc_each <flag>... -- <source>...: compiles each source to <source>.o, $jobs at a time; fails
# when any does not compile.
cc_each() {
    local flags=()
    while [ "$1" != -- ]; do
        flags+=("$1")
        shift
    done
    shift
    printf '%s\n' "$@" | xargs -P "$jobs" -I{} emcc "${flags[@]}" -c {} -o {}.o
}

# pc_file <file> <name> <version> <cflags> <libs> [requires]: writes a relocatable .pc file.
pc_file() {
    printf 'prefix=${pcfiledir}/../..\nincludedir=${prefix}/include\nlibdir=${prefix}/lib\n\nName: %s\nDescription: %s built with emscripten\nVersion: %s\nRequires: %s\nLibs: %s\nCflags: %s\n' \
        "$2" "$2" "$3" "${6:-}" "$5" "$4" >"$1"
}

# libpng: the library's sources with its shipped prebuilt configuration header (all read and
# write features, no SIMD code); links against the cached zlib.
build_png() { # $1 = source dir, $2 = prefix, $3 = version, $4 = zlib prefix
    cd "$1"
    cp scripts/pnglibconf.h.prebuilt pnglibconf.h
    local h srcs=(png.c pngerror.c pngget.c pngmem.c pngpread.c pngread.c pngrio.c pngrtran.c
        pngrutil.c pngset.c pngtrans.c pngwio.c pngwrite.c pngwtran.c pngwutil.c)
    cc_each -O2 -I. -I"$4/include" -- "${srcs[@]}"
    mkdir -p "$2/include/libpng16" "$2/lib/pkgconfig"
    emar rcs "$2/lib/libpng16.a" "${srcs[@]/%/.o}"
    ln -s libpng16.a "$2/lib/libpng.a"
    cp png.h pngconf.h pnglibconf.h "$2/include/libpng16/"
    for h in png.h pngconf.h pnglibconf.h; do ln -s "libpng16/$h" "$2/include/$h"; done
    pc_file "$2/lib/pkgconfig/libpng16.pc" libpng "${3%%-*}" '-I${includedir}/libpng16' \
        '-L${libdir} -lpng16' zlib
    ln -s libpng16.pc "$2/lib/pkgconfig/libpng.pc"
}

# FreeType: the file list of its own CMake build, with the stdio stream back end and the cached
# zlib for compressed fonts (no bzip2, PNG, HarfBuzz or Brotli).
build_freetype() { # $1 = source dir, $2 = prefix, $3 = version, $4 = zlib prefix
    cd "$1"
    local srcs=(src/autofit/autofit.c src/base/ftbase.c src/base/ftbbox.c src/base/ftbdf.c
        src/base/ftbitmap.c src/base/ftcid.c src/base/ftfstype.c src/base/ftgasp.c
        src/base/ftglyph.c src/base/ftgxval.c src/base/ftinit.c src/base/ftmm.c
        src/base/ftotval.c src/base/ftpatent.c src/base/ftpfr.c src/base/ftstroke.c
        src/base/ftsynth.c src/base/fttype1.c src/base/ftwinfnt.c
        src/bzip2/ftbzip2.c src/cache/ftcache.c src/cff/cff.c src/cid/type1cid.c
        src/gzip/ftgzip.c src/pfr/pfr.c src/psaux/psaux.c
        src/pshinter/pshinter.c src/psnames/psnames.c
        src/sfnt/sfnt.c src/smooth/smooth.c src/truetype/truetype.c
        src/type1/type1.c src/type42/type42.c src/base/ftsystem.c
        src/base/ftdebug.c)
    # The player loads outlines only (FT_LOAD_NO_BITMAP) and renders them in grey: the
    # bitmap-only formats (BDF, PCF and its LZW streams, Windows FNT), the monochrome and
    # distance-field renderers and the SVG hooks are left out of the module list.
    sed -i '/winfnt_driver_class\|pcf_driver_class\|bdf_driver_class\|raster1_renderer\|sdf_renderer_class\|svg_renderer_class/d' \
        include/freetype/config/ftmodule.h
    [ "$(grep -c FT_USE_MODULE include/freetype/config/ftmodule.h)" = 12 ] \
        || { echo "FreeType: the module list edit did not apply" >&2; return 1; }
    cc_each -O2 -DFT2_BUILD_LIBRARY -DFT_CONFIG_OPTION_SYSTEM_ZLIB -Iinclude -I"$4/include" \
        -- "${srcs[@]}"
    mkdir -p "$2/include/freetype2" "$2/lib/pkgconfig"
    emar rcs "$2/lib/libfreetype.a" "${srcs[@]/%/.o}"
    cp -r include/ft2build.h include/freetype "$2/include/freetype2/"
    rm -rf "$2/include/freetype2/freetype/internal"
    pc_file "$2/lib/pkgconfig/freetype2.pc" freetype2 "${3%%+*}" '-I${includedir}/freetype2' \
        '-L${libdir} -lfreetype' zlib
}

# SDL2: compiled from a file list (the generic sources plus the emscripten video, audio,
# joystick, timer, power, locale, filesystem and URL back ends, and the dummy and disk drivers)
# with the shipped SDL_config_emscripten.h, instead of its CMake configure, which runs emcc and
# node for every check. No threads. Programs linking it must keep $autoResumeAudioContext and
# $dynCall, which its audio back end calls from inline JavaScript: the .pc and CMake files pass
# -sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=@<prefix>/lib/sdl2-js-functions.json (a file, because
# CMake's Ninja generator mangles a literal "$" in link options).
# shellcheck disable=SC2206 # folder names from the list above, globbed on purpose
build_sdl2() { # $1 = source dir, $2 = prefix, $3 = version
    cd "$1"
    local d v=${3%%+*} srcs=()
    local link=-sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=@
    for d in . atomic audio cpuinfo dynapi events file joystick haptic hidapi libm locale misc \
        power render 'render/*' sensor stdlib thread timer video video/yuv2rgb video/emscripten \
        video/dummy audio/emscripten audio/dummy audio/disk joystick/emscripten \
        filesystem/emscripten power/emscripten locale/emscripten misc/emscripten timer/unix \
        thread/generic haptic/dummy sensor/dummy loadso/dlopen; do
        compgen -G "src/$d/*.c" >/dev/null && srcs+=(src/$d/*.c)
    done
    # SDL's own converter between UTF-8, UTF-16, UTF-32 and Latin-1 instead of the C library's
    # iconv (the player converts its titles' code page itself). The iconv tables (140 KB) stay
    # in the program while FFmpeg's decoder also opens iconv (its configure finds the C
    # library's despite --disable-autodetect).
    sed -i '/^#define HAVE_ICONV\(_H\)\? 1$/d' include/SDL_config_emscripten.h
    ! grep -q 'HAVE_ICONV' include/SDL_config_emscripten.h \
        || { echo "SDL2: the iconv edit did not apply" >&2; return 1; }
    cc_each -O2 -w -Iinclude -- "${srcs[@]}"
    mkdir -p "$2/include/SDL2" "$2/lib/pkgconfig" "$2/lib/cmake/SDL2"
    emar rcs "$2/lib/libSDL2.a" "${srcs[@]/%/.o}"
    cp include/*.h "$2/include/SDL2/"
    echo '["$autoResumeAudioContext", "$dynCall"]' >"$2/lib/sdl2-js-functions.json"
    pc_file "$2/lib/pkgconfig/sdl2.pc" sdl2 "$v" '-I${includedir}/SDL2' \
        "-L\${libdir} -lSDL2 $link\${libdir}/sdl2-js-functions.json"
    {
        echo "# SDL2 $v built with emscripten: the static library as SDL2::SDL2 (and SDL2::SDL2-static)."
        echo 'get_filename_component(_sdl2_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)'
        echo 'if(NOT TARGET SDL2::SDL2)'
        echo '  add_library(SDL2::SDL2 STATIC IMPORTED)'
        echo '  set_target_properties(SDL2::SDL2 PROPERTIES'
        echo '    IMPORTED_LOCATION "${_sdl2_prefix}/lib/libSDL2.a"'
        echo '    INTERFACE_INCLUDE_DIRECTORIES "${_sdl2_prefix}/include;${_sdl2_prefix}/include/SDL2"'
        echo "    INTERFACE_LINK_OPTIONS \"$link\${_sdl2_prefix}/lib/sdl2-js-functions.json\")"
        echo '  add_library(SDL2::SDL2-static ALIAS SDL2::SDL2)'
        echo 'endif()'
        echo 'set(SDL2_INCLUDE_DIRS "${_sdl2_prefix}/include/SDL2")'
        echo 'set(SDL2_LIBRARIES SDL2::SDL2)'
    } >"$2/lib/cmake/SDL2/SDL2Config.cmake"
    printf 'set(PACKAGE_VERSION %s)\nif(PACKAGE_FIND_VERSION VERSION_GREATER PACKAGE_VERSION)\n  set(PACKAGE_VERSION_COMPATIBLE FALSE)\nelse()\n  set(PACKAGE_VERSION_COMPATIBLE TRUE)\nendif()\n' \
        "$v" >"$2/lib/cmake/SDL2/SDL2ConfigVersion.cmake"
}

# cmake_config <prefix> <package> <target> <library file> <dependency target>: a CMake package
# file giving the static library as an imported target that links its dependency.
cmake_config() {
    mkdir -p "$1/lib/cmake/$2"
    {
        echo "# $2 built with emscripten: the static library as $3."
        echo 'get_filename_component(_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)'
        echo "find_package(SDL2 CONFIG REQUIRED)"
        echo "if(NOT TARGET $3)"
        echo "  add_library($3 STATIC IMPORTED)"
        echo "  set_target_properties($3 PROPERTIES"
        echo "    IMPORTED_LOCATION \"\${_prefix}/lib/$4\""
        echo '    INTERFACE_INCLUDE_DIRECTORIES "${_prefix}/include/SDL2"'
        echo "    INTERFACE_LINK_LIBRARIES $5)"
        echo 'endif()'
    } >"$1/lib/cmake/$2/$2Config.cmake"
}

# SDL2_mixer with its own wave reader only (PCM, MS and IMA ADPCM, AIFF and VOC): the player
# decodes every other format itself or through FFmpeg. Against the cached SDL2.
build_sdl2_mixer() { # $1 = source dir, $2 = prefix, $3 = version, $4 = SDL2 prefix
    cd "$1"
    local v=${3%%+*} srcs=(src/*.c src/codecs/*.c)
    cc_each -O2 -w -DMUSIC_WAV -Iinclude -Isrc -Isrc/codecs -I"$4/include/SDL2" -- "${srcs[@]}"
    mkdir -p "$2/include/SDL2" "$2/lib/pkgconfig"
    emar rcs "$2/lib/libSDL2_mixer.a" "${srcs[@]/%/.o}"
    cp include/SDL_mixer.h "$2/include/SDL2/"
    pc_file "$2/lib/pkgconfig/SDL2_mixer.pc" SDL2_mixer "$v" '-I${includedir}/SDL2' '-L${libdir} -lSDL2_mixer' sdl2
    cmake_config "$2" SDL2_mixer SDL2_mixer::SDL2_mixer libSDL2_mixer.a SDL2::SDL2
}

# SDL2_image with BMP, ICO and CUR only (the game window's cursor files); the other formats'
# sources compile to stubs that report the format as unsupported. Against the cached SDL2.
build_sdl2_image() { # $1 = source dir, $2 = prefix, $3 = version, $4 = SDL2 prefix
    cd "$1"
    local f v=${3%%+*} srcs=()
    for f in IMG*.c; do
        [ "$f" = IMG_WIC.c ] || srcs+=("$f")
    done
    cc_each -O2 -w -DLOAD_BMP -I. -I"$4/include/SDL2" -- "${srcs[@]}"
    mkdir -p "$2/include/SDL2" "$2/lib/pkgconfig"
    emar rcs "$2/lib/libSDL2_image.a" "${srcs[@]/%/.o}"
    cp SDL_image.h "$2/include/SDL2/"
    pc_file "$2/lib/pkgconfig/SDL2_image.pc" SDL2_image "$v" '-I${includedir}/SDL2' '-L${libdir} -lSDL2_image' sdl2
    cmake_config "$2" SDL2_image SDL2_image::SDL2_image libSDL2_image.a SDL2::SDL2
}

# FFmpeg's libavformat, libavcodec, libswscale, libswresample and libavutil with only what the
# movie back end opens: the file protocol; AVI, MP4/MOV, Matroska/WebM, MPEG program streams and
# ASF (plus the raw MPEG video, MPEG-4, H.264, MP3 and AAC demuxers, whose probes name the codec
# of a program stream's tracks: without them an .mpg has a video track of no codec); the old AVI
# codecs (uncompressed DIB, MS RLE, MS Video 1, Cinepak, Indeo 2-5, MJPEG,
# MPEG-4 ASP and the MS MPEG-4 variants, H.263, HuffYUV), MPEG-1/2, H.264, VP8/9 and WMV 1-3;
# PCM, MS and IMA ADPCM, MPEG audio layers 2 and 3, AAC, Vorbis, Opus and WMA 1/2. Configured
# for no operating system, no assembly, no threads and nothing detected from the build machine.
# shellcheck disable=SC2206,SC2191 # component names from the list above
build_ffmpeg() { # $1 = source dir, $2 = prefix, $3 = version
    cd "$1"
    local d want=() list
    list='demuxer:avi,mov,matroska,mpegps,asf,mpegvideo,m4v,h264,mp3,aac protocol:file
        decoder:rawvideo,msrle,msvideo1,cinepak,indeo2,indeo3,indeo4,indeo5,mjpeg,mpeg4,msmpeg4v1,msmpeg4v2,msmpeg4v3,h263,huffyuv,mpeg1video,mpeg2video,h264,vp8,vp9,wmv1,wmv2,wmv3
        decoder:pcm_u8,pcm_s16le,pcm_s16be,pcm_s24le,pcm_s32le,pcm_f32le,pcm_alaw,pcm_mulaw,adpcm_ms,adpcm_ima_wav,mp2,mp3,aac,vorbis,opus,wmav1,wmav2
        parser:h263,h264,mpeg4video,mpegvideo,mpegaudio,aac,vp8,vp9,vorbis,opus,mjpeg'
    for d in $list; do
        local kind=${d%%:*} names=${d#*:}
        want+=(--enable-$kind="$names")
    done
    # 8 bits per sample only for H.264 and VP9: the 9- to 14-bit pixel functions are never
    # selected, and a stream of more bits is refused when its parameters are read (H.264's
    # sequence parameter set, VP9's colour details) instead of decoding with the wrong ones.
    local e
    for e in 's/^\(    switch (bit_depth\)) {$/\1 * 0 + 8) {/:libavcodec/h264qpel.c:1' \
        's/^\(    switch (bit_depth\)) {$/\1 * 0 + 8) {/:libavcodec/h264pred.c:1' \
        's/^\(    switch (bit_depth\)) {$/\1 * 0 + 8) {/:libavcodec/h264dsp.c:1' \
        's/\(sps->bit_depth_\(luma\|chroma\) *> \)14/\18/:libavcodec/h264_ps.c:3' \
        's/^\(        ff_vp9dsp_init_1[02]\)(dsp);/        av_assert0(!"VP9 at 8 bits only");/:libavcodec/vp9dsp.c:2' \
        's/^\(    s->bpp_index = bits;\)$/\1 if (bits) { av_log(avctx, AV_LOG_ERROR, "VP9 at %d bits per sample is not supported\\n", 8 + 2 * bits); return AVERROR_PATCHWELCOME; }/:libavcodec/vp9.c:1'; do
        local expr=${e%:*:*} file count
        file=${e%:*}
        file=${file##*:}
        count=${e##*:}
        cp "$file" "$file.orig"
        sed -i "$expr" "$file"
        [ "$(diff "$file.orig" "$file" | grep -c '^>')" = "$count" ] \
            || { echo "FFmpeg: the 8-bit edit of $file did not apply" >&2; return 1; }
    done
    # --enable-small: no long names, descriptions or option help texts; smaller code paths.
    # --disable-faan: the floating-point DCTs, chosen only through an option the player never sets.
    ./configure --prefix="$2" --target-os=none --arch=x86_32 --enable-cross-compile \
        --cc=emcc --cxx=em++ --ar=emar --ranlib=emranlib --nm=emnm --optflags=-Os \
        --disable-asm --disable-pthreads --disable-autodetect --disable-debug --disable-stripping \
        --disable-programs --disable-doc --disable-network --disable-avdevice --disable-avfilter \
        --disable-postproc --disable-everything --enable-static --disable-shared --enable-small \
        --disable-faan "${want[@]}" \
        >configure.log || { tail -30 configure.log ffbuild/config.log; return 1; }
    make -j"$jobs" >make.log 2>&1 || { grep -B2 -A8 -m3 'error' make.log; return 1; }
    make install >/dev/null
    sed -i 's|^prefix=.*|prefix=${pcfiledir}/../..|;s|^libdir=.*|libdir=${prefix}/lib|;s|^includedir=.*|includedir=${prefix}/include|' \
        "$2"/lib/pkgconfig/*.pc
    rm -rf "$2/share"
}

# library <name> <source package> [prefix of a library it links]...: builds one library unless
# its keyed folder exists; prints its prefix.
library() {
    local name=$1 pkg=$2 ver key dest tmp t0 fn h
    shift 2
    ver=$(fetch "$pkg")
    fn=$(declare -f "build_$name")
    for h in cc_each pc_file cmake_config; do
        [[ $fn == *"$h "* ]] && fn+=$'\n'$(declare -f "$h")
    done
    key=$(printf '%s\n' "$fn" "$emver" "$@" | sha256sum | cut -c1-12)
    dest=$cache/$name-$ver-$key
    [ -d "$dest" ] && { echo "$dest/prefix"; return; }
    tmp=$(mktemp -d "$cache/.tmp-$name.XXXXXX")
    # The value now: the trap runs after this function's locals are gone.
    # shellcheck disable=SC2064
    trap "rm -rf '$tmp'" EXIT
    t0=$(date +%s)
    (cd "$tmp" && dpkg-source -x --no-check "$src/${pkg}_$ver.dsc" s >/dev/null \
        && "build_$name" "$tmp/s" "$tmp/prefix" "$ver" "$@") >&2
    rm -rf "$tmp/s"
    echo "$(($(date +%s) - t0))" >"$tmp/build-seconds"
    mv "$tmp" "$dest"
    trap - EXIT
    echo "$name built in $(($(date +%s) - t0)) s" >&2
    echo "$dest/prefix"
}

zlib=$(library zlib zlib)
png=$(library png libpng1.6 "$zlib")
freetype=$(library freetype freetype "$zlib")
sdl2=$(library sdl2 libsdl2)
ffmpeg=$(library ffmpeg ffmpeg)
sdl2_mixer=$(library sdl2_mixer libsdl2-mixer "$sdl2")
sdl2_image=$(library sdl2_image libsdl2-image "$sdl2")
printf '%s %s\n' zlib "$zlib" png "$png" freetype "$freetype" sdl2 "$sdl2" ffmpeg "$ffmpeg" \
    sdl2_mixer "$sdl2_mixer" sdl2_image "$sdl2_image"
