#!/usr/bin/env bash
# Installs every Debian package that building, testing, benchmarking and the demo need.
# Idempotent: prints nothing and changes nothing when all of them are present.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config
  # libraries
  zlib1g-dev libjpeg62-turbo-dev libpng-dev libpugixml-dev libcurl4-openssl-dev libblkid-dev
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev
  # the skin's badge and share-button lettering
  fonts-dejavu-core fonts-dejavu-extra
  # tests
  googletest libgtest-dev libgmock-dev python3 mtools dosfstools exfatprogs fdisk sleuthkit
  xvfb xauth
  # the formatting check
  clang-format
  # a private D-Bus bus for the tests of card access through udisks2
  dbus-daemon
  # checks of the installed tree (desktop entry, metainfo, manual pages) and the Debian package
  desktop-file-utils appstream man-db groff-base dpkg-dev
  # benchmarks and peers
  libjpeg-turbo-progs
  # mapfile cross-checks (ddrescuelog) and the failing-card peer; the slow, failing FUSE card
  gddrescue python3-fusepy fuse3
)

missing=()
for pkg in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
if ! "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null; then
  "${sudo_cmd[@]}" apt-get update -q >/dev/null
  "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
fi
