#!/usr/bin/env bash
# Builds Velmora Kova, recovers the bundled demo card into ./recovered and shows what came back,
# each file checked against the card's manifest (what was put on the card, and where).
set -euo pipefail
caller=$PWD
cd "$(dirname "$0")/.."

scripts/install-deps.sh
build_dir=${KOVA_BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" --target kova-cli demo_card --parallel "$(nproc)"

card="$build_dir/demo/demo-card.img"
manifest="$build_dir/demo/demo-card.manifest.jsonl"
out="$caller/recovered"
report=$(mktemp)
trap 'rm -f "$report"' EXIT

echo
echo "Recovering the demo card $card into $out"
# Files already in the folder stay; new copies of the same names get a number.
"$build_dir/src/cli/kova-cli" recover "$card" --out "$out" --json >"$report"

python3 - "$report" "$manifest" "$out" <<'EOF'
import json, os, sys, zlib

report, manifest, out = sys.argv[1:4]
lines = [json.loads(line) for line in open(report)]
summary = lines.pop()
records = [json.loads(line) for line in open(manifest)][1:]
# A file is known by where it starts on the card.
files = {r["extents"][0][0]: r for r in records
         if r["record"] == "file" and r["content"] != "folder" and r["extents"]}

def size_text(n):
    return f"{n / 1024:.1f} KB" if n < 1048576 else f"{n / 1048576:.1f} MB"

print(f"\n{'Saved as':<16} {'Type':<5} {'Size':>9}  {'Found as':<8}  {'On the card':<27} Check")
identical = 0
for line in lines:
    record = files.get(line["extents"][0][0]) if line["extents"] else None
    name = os.path.basename(line["file"]) or line["name"]
    if line["result"] == "failed":
        check = "NOT SAVED: " + line["error"]
    elif record is None:
        check = "found by the search"
    else:
        data = open(line["file"], "rb").read()
        same = zlib.crc32(data) == record["crc32"] and len(data) == record["size"]
        identical += same and record["intact"]
        if same:
            check = "identical"
        elif not record["intact"]:
            check = "as the card holds it now (a later photo took part of it)"
        else:
            check = "DIFFERENT"
    where = record["path"] if record else "-"
    print(f"{name:<16} {line['ext'][1:]:<5} {size_text(line['size']):>9}  {line['origin']:<8}  "
          f"{where:<27} {check}")

recoverable = [r for r in files.values() if r["intact"]]
print(f"\n{identical} of the {len(recoverable)} files that the card still holds whole came back "
      f"byte for byte; {summary['files']} files saved ({summary['images']} images, "
      f"{summary['video']} videos) into {out}.")
sys.exit(0 if identical == len(recoverable) and summary["failed"] == 0 else 1)
EOF
