#!/usr/bin/env bash
# Builds the Debian package from build/release (configured and built as scripts/test.sh does) and
# checks it: the programs, man pages and desktop entry inside, the runtime packages it depends on
# (and the desktop dialog program it recommends), and that apt could install it here (a simulated
# install resolves every dependency).
# Prints the package's path last.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/release
[ -x "$build/player/main/mavlet" ] || { echo "package: build $build first (scripts/test.sh does)" >&2; exit 1; }
rm -f "$build"/mavlet_*.deb
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || { cat "$build/cpack.log" >&2; exit 1; }
deb=$(ls "$build"/mavlet_*.deb)

contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/mavlet ./usr/bin/mavtool ./usr/bin/quillget ./usr/share/applications/mavlet.desktop \
         ./usr/share/man/man1/mavlet.1.gz ./usr/share/bash-completion/completions/mavtool; do
  grep -q " $f\$" <<<"$contents" || { echo "package: $deb lacks $f" >&2; exit 1; }
done
depends=$(dpkg-deb -f "$deb" Depends)
for p in libsdl2-2.0-0 libqt6widgets6 libcurl4 fonts-ipafont-gothic; do
  grep -q "\b$p\b" <<<"$depends" || { echo "package: $deb does not depend on $p (Depends: $depends)" >&2; exit 1; }
done
recommends=$(dpkg-deb -f "$deb" Recommends)
grep -q "\bzenity\b" <<<"$recommends" ||
  { echo "package: $deb does not recommend zenity (Recommends: $recommends)" >&2; exit 1; }
if [ "$(id -u)" -eq 0 ]; then
  apt-get install -s -qq "./$deb" >"$build/package-install.log" 2>&1 ||
    { cat "$build/package-install.log" >&2; echo "package: apt cannot install $deb" >&2; exit 1; }
fi
echo "$deb"
