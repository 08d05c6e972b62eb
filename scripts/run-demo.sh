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
# What a player would do: watch the opening movie for two seconds and skip it with a click, move
# the mouse over the title screen (sparkles follow it), click it,
# choose "start" in its menu; in the room (petals fall) read the girl's lines, clicking when a
# page is typed or full (one click completes a page that is still typing), type the name "Mika"
# when she asks and press Return, read the name in her answer and the first page recalled from the
# history; answer the question with "wait for the night", then hover the door and the window of
# the room map, choose the window, and finally the door (back to the title).
printf '# event action\n60 click\n90 mouse 200 230\n130 mouse 330 300\n170 mouse 460 220\n210 click\n215 mouse 300 266\n218 click\n350 click\n380 click\n390 click\n405 click\n415 click\n450 text Mika\n460 return\n520 click\n565 click\n576 mouse 250 188\n579 click\n826 mouse 500 200\n866 mouse 150 150\n906 click\n986 mouse 500 200\n996 click\n' >"$input"
# Besides every 50th event: a full text window, the name being typed, the name in the text.
"$tool" run "$title" --events 1026 --input "$input" --shots-every 50 "$shots" \
  --shot "380:$shots/text-full.png" --shot "455:$shots/text-name-entry.png" \
  --shot "505:$shots/text-name-used.png" --audio-log "$shots/audio.log" --text-log "$shots/text.log"
echo "run-demo: screenshots written to $shots:"
ls "$shots"
