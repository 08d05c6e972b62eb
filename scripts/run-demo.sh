#!/usr/bin/env bash
# The main job: builds everything and shows the data tools at work on the sample folder
# (packs it into both archive kinds, lists them, unpacks an entry); then builds the demo title
# and plays it in the player's window, or, without a display, runs it headless and saves
# screenshots when the headless runner can take them.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j "$(nproc)"

tool=build/release/tools/mavtool/mavtool
player=build/release/player/main/mavlet
out=build/demo-out
rm -rf "$out" && mkdir -p "$out"
(
  set -x
  "$tool" pack demo/sample/1.txt "$out/1.pmx"
  "$tool" unpack "$out/1.pmx" "$out/1.txt"
  "$tool" archive create --small "$out/Data1.pmx" demo/sample/*
  "$tool" archive list "$out/Data1.pmx"
  "$tool" archive create --large "$out/Data1.PMW" demo/sample/*
  "$tool" archive list "$out/Data1.PMW"
  "$tool" archive extract "$out/Data1.PMW" readme.txt "$out/readme.txt"
)
cat "$out/readme.txt"

# The demo title: built from its source in demo/title by `mavtool title build` when this
# mavtool has that verb; otherwise a one-page title is made here with the basic verbs.
title="$out/title"
build_title() {
  rm -rf "$title"
  local usage
  usage=$("$tool" 2>&1 || true)
  if [ -f demo/title/title.txt ] && grep -q 'title build' <<<"$usage"; then
    "$tool" title build demo/title "$title"
  else
    mkdir -p "$title/Pmx"
    "$tool" global create "$title/Pmx/Global.pmx" --title "Mavlet demo" --screen-mode 3 --start-page 1 \
      --reg-key "Software\\Mavlet\\Demo" --no-registry
    printf 'PutText 0,,Hello from Mavlet. Click to end.\r\nExit\r\n' >"$out/demo-page1.txt"
    "$tool" pack "$out/demo-page1.txt" "$title/Pmx/1.pmx"
  fi
}

if [ ! -x "$player" ]; then
  echo "run-demo: the player is not built; skipping the demo title"
  exit 0
fi
build_title
echo "run-demo: demo title in $title"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  echo "run-demo: playing the demo title in a window (close it to finish)"
  "$player" "$title"
  exit 0
fi

echo "run-demo: no display (neither DISPLAY nor WAYLAND_DISPLAY is set): running the demo title headless"
run_usage=$("$tool" run --help 2>&1 || true)
shots="$out/shots"
# Clicks that take the demo past its waits, as a player would.
input=()
if grep -q -- '--input' <<<"$run_usage"; then
  printf '150 click\n250 click\n330 click\n' >"$out/demo-input.txt"
  input=(--input "$out/demo-input.txt")
fi
if grep -q -- '--shots-every' <<<"$run_usage"; then
  mkdir -p "$shots"
  set -x
  "$tool" run "$title" --events 400 "${input[@]}" --shots-every 50 "$shots"
  set +x
  echo "run-demo: screenshots written to $shots"
  ls "$shots"
elif grep -Eq -- '--shot (DIR|FOLDER)' <<<"$run_usage"; then
  mkdir -p "$shots"
  set -x
  "$tool" run "$title" --events 400 "${input[@]}" --shot "$shots"
  set +x
  echo "run-demo: screenshots written to $shots"
  ls "$shots"
else
  echo "run-demo: this mavtool run takes no screenshots yet; running without them"
  set -x
  "$tool" run "$title" --events 400 "${input[@]}"
fi
