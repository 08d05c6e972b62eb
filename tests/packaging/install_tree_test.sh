#!/usr/bin/env bash
# Installs the build into a scratch folder and checks what a package would ship: every file in
# place, man pages compressed and stamped with the version, a desktop entry that starts the player,
# and programs that answer --version from their installed place without a display.
set -euo pipefail
build=$1 version=$2
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null
root="$stage/usr"
failed=0
fail() { echo "FAIL: $*"; failed=1; }

for f in bin/mavlet bin/mavtool bin/quillget \
         share/applications/mavlet.desktop share/icons/hicolor/scalable/apps/mavlet.svg \
         share/man/man1/mavlet.1.gz share/man/man1/mavtool.1.gz share/man/man1/quillget.1.gz \
         share/bash-completion/completions/mavtool; do
  [ -f "$root/$f" ] || fail "$f is not installed"
done

for page in mavlet mavtool quillget; do
  text=$(gzip -dc "$root/share/man/man1/$page.1.gz") || { fail "$page.1.gz is not gzip"; continue; }
  grep -q "^\.TH ${page^^} 1 .*\"Mavlet $version\"" <<<"$text" || fail "$page.1 has no title line with version $version"
  grep -q '@VERSION@' <<<"$text" && fail "$page.1 still holds @VERSION@"
done

desktop="$root/share/applications/mavlet.desktop"
for line in 'Type=Application' 'Exec=mavlet %f' 'Icon=mavlet' 'Categories=Game;AdventureGame;'; do
  grep -qxF "$line" "$desktop" || fail "mavlet.desktop lacks \"$line\""
done
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop" || fail "mavlet.desktop does not validate"
fi

for program in mavlet mavtool quillget; do
  got=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/bin/$program" --version) || fail "$program --version failed"
  [ "$got" = "$program $version" ] || fail "$program --version says \"$got\", not \"$program $version\""
done
env -u DISPLAY -u WAYLAND_DISPLAY "$root/bin/quillget" --help | grep -q -- '--batch' || fail "quillget --help lacks --batch"

[ $failed -eq 0 ] && echo "install tree: all checks passed"
exit $failed
