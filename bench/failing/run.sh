#!/usr/bin/env bash
# bench/run.sh failing [--small] [--rate MBPS]: a slow, failing card on the real kernel. The card
# (bench_failing) is shown by tools/slowcard/slowcard.py, reading at 90 MB/s and failing its bad
# ranges with EIO after 0.5 s, with a read-only loop device over it. Timed in turn: kova-cli
# recover of the device, kova-cli image of it and recover of that image with its mapfile, and
# GNU ddrescue (when installed) with recover of its image and mapfile. For each: seconds,
# failing requests per bad range, read sizes, bytes zeroed against bytes bad, and files exact and
# damaged (evaluate.py). Root only, with /dev/fuse and loop devices.
set -euo pipefail
build=$1
data=$2
shift 2
small=()
rate=90
while [[ $# -gt 0 ]]; do
  case $1 in
    --small) small=(--small) ;;
    --rate) rate=$2; shift ;;
    *) echo "usage: bench/run.sh failing [--small] [--rate MBPS]" >&2; exit 2 ;;
  esac
  shift
done
if [[ $(id -u) -ne 0 || ! -e /dev/fuse ]] || ! command -v losetup >/dev/null; then
  echo "failing: skipped: needs root, /dev/fuse and losetup (a loop device over a FUSE file)"
  exit 0
fi
here=$(cd "$(dirname "$0")" && pwd)
slowcard=$here/../../tools/slowcard/slowcard.py
cli=$build/src/cli/kova-cli
base=$("$build/bench/failing/bench_failing" "$data" "${small[@]}" | tail -1)
work=$(mktemp -d /tmp/kova-failing.XXXXXX)
mnt=$work/mnt
mkdir -p "$mnt"
loop=
fuse_pid=

detach() {
  [[ -n $loop ]] && losetup -d "$loop" 2>/dev/null || true
  loop=
  if [[ -n $fuse_pid ]]; then
    umount "$mnt" 2>/dev/null || fusermount3 -u "$mnt" 2>/dev/null || true
    wait "$fuse_pid" 2>/dev/null || true
  fi
  fuse_pid=
}
trap 'detach; rm -rf "$work"' EXIT

# Mounts a fresh slow card logging into $1 and puts a loop device over it ($loop).
attach() {
  rm -f "$work/ready"
  "$slowcard" "$base.img" "$mnt" --rate "$rate" --bad-ranges "$base.bad" --error-delay 0.5 \
    --log "$1" --ready "$work/ready" &
  fuse_pid=$!
  for _ in $(seq 100); do [[ -f $work/ready ]] && break; sleep 0.1; done
  loop=$(losetup --read-only --find --show "$mnt/card")
}

# The loop device's reads and sectors read so far (its block statistics).
reads_of() { awk '{print $1, $3}' "/sys/block/$(basename "$loop")/stat"; }

timed() {
  local start end
  start=$(date +%s.%N)
  "$@" >"$work/out.json" 2>"$work/err.txt" || true
  end=$(date +%s.%N)
  echo "$end - $start" | bc
}

report() {  # NAME SECONDS LOG IMAGE_OR_EMPTY FOLDER STATS
  python3 "$here/evaluate.py" --name "$1" --seconds "$2" --log "$3" --image "$4" \
    --folder "$5" --stats "$6" --manifest "$base.manifest.jsonl" --bad "$base.bad" \
    --card "$base.img"
}

echo "card: $base.img, $(wc -l <"$base.bad") bad ranges, $rate MB/s, EIO after 0.5 s"

attach "$work/recover.log"
before=$(reads_of)
seconds=$(timed "$cli" recover "$loop" --out "$work/recovered" --json --threads 1)
stats="$before $(reads_of)"
detach
report "kova-cli recover" "$seconds" "$work/recover.log" "" "$work/recovered" "$stats"

attach "$work/image.log"
before=$(reads_of)
seconds=$(timed "$cli" image "$loop" "$work/card.bin" --on-error ignore)
stats="$before $(reads_of)"
detach
"$cli" recover "$work/card.bin" --map "$work/card.bin.map" --out "$work/from-image" --json \
  >/dev/null 2>&1 || true
if command -v ddrescuelog >/dev/null; then
  ddrescuelog -t "$work/card.bin.map" >/dev/null && echo "kova-cli image: ddrescuelog reads its mapfile"
fi
report "kova-cli image" "$seconds" "$work/image.log" "$work/card.bin" "$work/from-image" "$stats"

if command -v ddrescue >/dev/null; then
  attach "$work/ddrescue.log"
  before=$(reads_of)
  seconds=$(timed ddrescue -d -r0 "$loop" "$work/dd.img" "$work/dd.map")
  stats="$before $(reads_of)"
  detach
  "$cli" recover "$work/dd.img" --map "$work/dd.map" --out "$work/from-dd" --json \
    >/dev/null 2>&1 || true
  report "ddrescue" "$seconds" "$work/ddrescue.log" "$work/dd.img" "$work/from-dd" "$stats"
fi
