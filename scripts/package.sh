#!/usr/bin/env bash
# Builds the Debian package (cpack -G DEB) from a build folder and checks it: its control data,
# that apt can satisfy its dependencies on this Debian, and that the programs it holds run.
#   scripts/package.sh [build-folder]    (default: build)
set -euo pipefail

build="${1:-build}"
cd "$(dirname "$0")/.."
# What the package holds (the build folder must have the wizard on).
cmake --build "$build" --target kova kova-cli kova_desktop_icons -j2
(cd "$build" && rm -f velmora-kova_*.deb && cpack -G DEB >/dev/null)
deb=$(ls "$build"/velmora-kova_*.deb)
dpkg-deb --info "$deb" | sed -n 's/^ \(Package\|Version\|Depends\|Recommends\):/  \1:/p'

# apt resolves the dependencies against this machine's package lists without installing.
apt-get install --simulate --no-install-recommends "./$deb" >/dev/null

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb --extract "$deb" "$root"
"$root/usr/bin/kova-cli" --version
if ldd "$root/usr/bin/kova" "$root/usr/bin/kova-cli" | grep "not found"; then
  echo "package: a library the programs need is missing" >&2
  exit 1
fi
echo "package: $deb"
