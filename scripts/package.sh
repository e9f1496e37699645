#!/usr/bin/env bash
# Builds the Debian package (cpack -G DEB) and checks it: its control data, lintian, that apt can
# satisfy its dependencies on this Debian, and that the programs it holds run.
#   scripts/package.sh [build-folder]    (default: build-package)
# The folder is configured as a Release build without the tests: cpack installs the project, and
# installing builds the whole default target first, so a folder with the tests on would compile
# the test suite into a package that holds none of it.
set -euo pipefail

build="${1:-build-package}"
cd "$(dirname "$0")/.."
scripts/install-deps.sh

launcher=()
command -v ccache >/dev/null &&
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKOVA_BUILD_GUI=ON \
  -DKOVA_BUILD_TESTS=OFF -DKOVA_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
(cd "$build" && rm -f velmora-kova_*.deb && cpack -G DEB >/dev/null)
deb=$(ls "$build"/velmora-kova_*.deb)
dpkg-deb --info "$deb" | sed -n 's/^ \(Package\|Version\|Depends\|Recommends\):/  \1:/p'

# Debian's own checks: no error and no warning.
lintian --fail-on error,warning "$deb"

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
