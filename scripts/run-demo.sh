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
input=build/demo-input.txt
# What a player would do: move the mouse over the title screen (sparkles follow it), click it,
# choose "start" in its menu, click in the room (petals fall), answer the question with "wait for
# the night", then hover the door and the window of the room map, choose the window, and finally
# the door (back to the title).
printf '# event action\n30 mouse 200 230\n70 mouse 330 300\n110 mouse 460 220\n150 click\n155 mouse 300 266\n158 click\n260 click\n270 mouse 250 188\n273 click\n520 mouse 500 200\n560 mouse 150 150\n600 click\n680 mouse 500 200\n690 click\n' >"$input"
"$tool" run "$title" --events 720 --input "$input" --shots-every 50 "$shots" \
  --audio-log "$shots/audio.log"
echo "run-demo: screenshots written to $shots:"
ls "$shots"
