#!/usr/bin/env bash
# bench/run.sh reader: the card read through a slow reader. Each card is served at a fixed rate
# by the throttling FUSE tool (tools/slowcard/slowcard.py --rate MBPS IMAGE MOUNT, whose folder
# SLOWCARD names when it is not this tree's) and attached read-only to a loop device, a real
# block device; before every run the page cache is dropped. Printed per rate: dd bs=4M, kova-cli
# scan, recover and image, and PhotoRec when installed, each with its time, its time / dd's and
# the bytes the device delivered / the card's size (from the loop device's read counter).
# Needs root, /dev/fuse and loop devices. Arguments: BUILD_DIR DATA_DIR.
set -euo pipefail
build=$1
data=$(realpath "$2")
cli=$(realpath "$build/src/cli/kova-cli")
here=$(cd "$(dirname "$0")/../.." && pwd)
slowcard=${SLOWCARD:-$here/tools/slowcard/slowcard.py}

if [[ $(id -u) -ne 0 || ! -e /dev/fuse || ! -x $slowcard ]]; then
  echo "reader: needs root, /dev/fuse and $slowcard" >&2
  exit 1
fi
"$build/bench/reader/bench_reader" "$data"

mount=$(mktemp -d)
loop=""
fuse_pid=""
cleanup() {
  [[ -n $loop ]] && losetup --detach "$loop" 2>/dev/null || true
  if [[ -n $fuse_pid ]]; then
    fusermount3 -u "$mount" 2>/dev/null || umount "$mount" 2>/dev/null || true
    wait "$fuse_pid" 2>/dev/null || true
  fi
  rmdir "$mount" 2>/dev/null || true
  rm -rf "$data/reader-out" "$data/reader-image.img" "$data/reader-photorec"
}
trap cleanup EXIT

read_bytes() {  # sectors read by the loop device so far, in bytes
  echo $(($(awk '{print $3}' "/sys/block/${loop#/dev/}/stat") * 512))
}

# Runs one command against the device: prints seconds and bytes read.
measure() {
  sync
  echo 3 >/proc/sys/vm/drop_caches
  blockdev --flushbufs "$loop"
  local before after start end
  before=$(read_bytes)
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1 || true
  end=$(date +%s.%N)
  after=$(read_bytes)
  echo "$(echo "$end - $start" | bc) $((after - before))"
}

report() {  # name seconds bytes dd_seconds card_bytes
  printf "  %-10s %7.1f s  %5.2f x dd  %5.3f x card\n" "$1" "$2" "$(echo "$2 / $4" | bc -l)" \
    "$(echo "$3 / $5" | bc -l)"
}

worst=0
for setting in "90 reader-1g" "20 reader-256m"; do
  set -- $setting
  rate=$1
  image=$data/$2.img
  "$slowcard" --rate "$rate" "$image" "$mount" &
  fuse_pid=$!
  for _ in $(seq 50); do [[ -e $mount/card ]] && break; sleep 0.1; done
  loop=$(losetup --find --show --read-only "$mount/card")
  card=$(blockdev --getsize64 "$loop")
  echo "$rate MB/s: $(basename "$image"), $((card >> 20)) MiB through $loop"
  read -r dd_s dd_b < <(measure dd if="$loop" of=/dev/null bs=4M)
  report dd "$dd_s" "$dd_b" "$dd_s" "$card"
  read -r s b < <(measure "$cli" scan "$loop" --json)
  report scan "$s" "$b" "$dd_s" "$card"
  scan_ratio=$(echo "$s / $dd_s" | bc -l)
  rm -rf "$data/reader-out"
  read -r s b < <(measure "$cli" recover "$loop" --out "$data/reader-out" --json)
  report recover "$s" "$b" "$dd_s" "$card"
  recover_ratio=$(echo "$s / $dd_s" | bc -l)
  echo "    saved: $(find "$data/reader-out" -type f | wc -l) files"
  rm -rf "$data/reader-out" "$data/reader-image.img"
  read -r s b < <(measure "$cli" image "$loop" "$data/reader-image.img")
  report image "$s" "$b" "$dd_s" "$card"
  rm -f "$data/reader-image.img"
  if command -v photorec >/dev/null; then
    rm -rf "$data/reader-photorec" && mkdir -p "$data/reader-photorec"
    read -r s b < <(measure sh -c 'cd "$0" && exec photorec /log /d recup /cmd "$1" \
      partition_none,fileopt,everything,disable,jpg,enable,wholespace,search' \
      "$data/reader-photorec" "$loop")
    report photorec "$s" "$b" "$dd_s" "$card"
    rm -rf "$data/reader-photorec"
  else
    echo "  photorec   not installed (Debian package testdisk)"
  fi
  worst=$(echo "if ($recover_ratio > $worst) $recover_ratio else $worst" | bc -l)
  worst=$(echo "if ($scan_ratio > $worst) $scan_ratio else $worst" | bc -l)
  losetup --detach "$loop"
  loop=""
  fusermount3 -u "$mount" 2>/dev/null || umount "$mount"
  wait "$fuse_pid" 2>/dev/null || true
  fuse_pid=""
done
printf "reader: %.2f x dd (target <= 1.10 recover, <= 1.05 scan)\n" "$worst"
