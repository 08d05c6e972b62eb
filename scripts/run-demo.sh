#!/usr/bin/env bash
# The main job: builds the player and its kit, builds the demo title from demo/title, and plays
# it in the player's window. Without a display it says so and runs the title headless instead,
# clicking through its scenes and writing screenshots to build/demo-shots.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j "$(nproc)" --target mavlet mavtool

tool=build/release/tools/mavtool/mavtool
player=build/release/player/main/mavlet
title=build/demo-title
shots=build/demo-shots

"$tool" title build demo/title "$title"
echo "run-demo: demo title built in $title"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  echo "run-demo: playing the demo in a window (click to go on; close the window to finish)"
  exec "$player" "$title"
fi

echo "run-demo: no display (neither DISPLAY nor WAYLAND_DISPLAY is set): running the demo headless"
rm -rf "$shots" && mkdir -p "$shots"
input=demo/run-demo.input
# demo/run-demo.input plays what a player would do (its comment tells the story); the browser
# tests run the same input in the page.
# Besides every 50th event: a full text window, the name being typed, the name in the text.
"$tool" run "$title" --events 1026 --input "$input" --shots-every 50 "$shots" \
  --shot "380:$shots/text-full.png" --shot "455:$shots/text-name-entry.png" \
  --shot "505:$shots/text-name-used.png" --audio-log "$shots/audio.log" --text-log "$shots/text.log"
echo "run-demo: screenshots written to $shots:"
ls "$shots"
