#!/usr/bin/env bash
# build-web-demo.sh [SITE]: builds the browser's player and the demo title's web site (default
# build/web-demo-site) with the demo's scripted input beside it, ready for any static server:
#   python3 -m http.server -d build/web-demo-site --bind 127.0.0.1 8000
# Installs what it needs through setup.sh and setup-web.sh; the web libraries are built once into
# ~/.cache/mavlet-web. Exits non-zero with the failing step's output when a step fails.
set -euo pipefail
cd "$(dirname "$0")/.."
site=${1:-build/web-demo-site}
bash scripts/setup.sh
bash scripts/setup-web.sh
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=1
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j "$(nproc)" --target mavtool >/dev/null
player=$(bash scripts/build-web.sh | tail -n 1)
tool=build/release/tools/mavtool/mavtool
"$tool" title build demo/title build/web-demo-title >/dev/null
rm -rf "$site"
"$tool" web build/web-demo-title "$site" --player "$player"
cp demo/run-demo.input "$site/"
echo "build-web-demo: serve it with: python3 -m http.server -d $site --bind 127.0.0.1 8000"
echo "build-web-demo: then open http://127.0.0.1:8000/ (the scripted run: index.html?events=1026&input=run-demo.input&vars=1&shot=1)"
