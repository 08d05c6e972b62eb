#!/usr/bin/env bash
# Installs the Debian packages the project builds and tests with. Safe to run again:
# when everything is present it returns at once without touching apt.
set -euo pipefail

packages=(
  # toolchain
  g++ clang clang-tidy libclang-rt-dev cmake ninja-build ccache pkg-config make
  # the Debian package (cpack reads the programs' library dependencies with dpkg-shlibdeps)
  dpkg-dev file
  # libraries
  zlib1g-dev libdeflate-dev libpng-dev
  libsdl2-dev libsdl2-ttf-dev libsdl2-mixer-dev libsdl2-image-dev
  libfontconfig-dev libfreetype-dev fonts-ipafont-gothic
  # movies
  libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev ffmpeg
  # the debug window
  libimgui-dev
  # the downloader
  qt6-base-dev libcurl4-openssl-dev curl
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # headless window checks
  xvfb xauth
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}" >&2
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get -o DPkg::Lock::Timeout=900 update -qq
$SUDO apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
