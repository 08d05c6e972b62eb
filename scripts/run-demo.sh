#!/usr/bin/env bash
# The main job: builds everything and shows the data tools at work on the sample folder
# (packs it into both archive kinds, lists them, unpacks an entry).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j "$(nproc)"

tool=build/release/tools/mavtool/mavtool
out=build/demo-out
rm -rf "$out" && mkdir -p "$out"
set -x
"$tool" pack demo/sample/1.txt "$out/1.pmx"
"$tool" unpack "$out/1.pmx" "$out/1.txt"
"$tool" archive create --small "$out/Data1.pmx" demo/sample/*
"$tool" archive list "$out/Data1.pmx"
"$tool" archive create --large "$out/Data1.PMW" demo/sample/*
"$tool" archive list "$out/Data1.PMW"
"$tool" archive extract "$out/Data1.PMW" readme.txt "$out/readme.txt"
cat "$out/readme.txt"
