#!/usr/bin/python3
"""Measures one reader of the failing card (bench/failing/run.sh): the requests it made (the slow
card's log), the bytes it zeroed in its image against the bytes that are bad, and the photos saved
from it (from the device, or from its image and mapfile): exact, damaged with zeros only in bad
sectors, or missing."""

import argparse
import json
import os
from collections import Counter

SECTOR = 512


def bad_ranges(path):
    ranges = []
    with open(path, encoding="utf-8") as text:
        for line in text:
            if line.strip() and not line.startswith("#"):
                first, count = map(int, line.split())
                ranges.append((first * SECTOR, (first + count) * SECTOR))
    return ranges


def photos(manifest):
    found = []
    with open(manifest, encoding="utf-8") as text:
        for line in text:
            record = json.loads(line)
            if record.get("record") == "file" and record.get("content") == "jpg" \
                    and not record.get("folder"):
                found.append(record)
    return found


def overlap(a0, a1, b0, b1):
    return max(0, min(a1, b1) - max(a0, b0))


def main():
    parser = argparse.ArgumentParser()
    for name in ("name", "seconds", "log", "image", "folder", "stats", "manifest", "bad", "card"):
        parser.add_argument("--" + name, default="")
    options = parser.parse_args()
    ranges = bad_ranges(options.bad)
    bad_bytes = sum(end - start for start, end in ranges)

    failing = Counter()
    sizes = Counter()
    requests = 0
    with open(options.log, encoding="utf-8") as log:
        for line in log:
            offset, size, outcome = line.split()
            offset, size = int(offset), int(size)
            requests += 1
            sizes[size] += 1
            if outcome == "EIO":
                for i, (start, end) in enumerate(ranges):
                    if overlap(offset, offset + size, start, end):
                        failing[i] += 1
    per_range = [failing[i] for i in range(len(ranges))]
    stats = list(map(int, options.stats.split())) if options.stats else []
    device = ""
    if len(stats) == 4:
        ios, sectors = stats[2] - stats[0], stats[3] - stats[1]
        device = f", device reads {ios}, {sectors * SECTOR / max(ios, 1) / 1024:.0f} KiB each"
    common = ", ".join(f"{size // 1024} KiB x{count}" for size, count in sizes.most_common(3))
    print(f"{options.name}: {float(options.seconds):.1f} s; failing requests per bad range: "
          f"max {max(per_range)}, mean {sum(per_range) / len(per_range):.1f}, total "
          f"{sum(per_range)}; card requests {requests} ({common}){device}")

    card = open(options.card, "rb")
    if options.image and os.path.exists(options.image):
        zeroed = 0
        with open(options.image, "rb") as image:
            chunk = 1 << 20
            while True:
                at = image.tell()
                mine = image.read(chunk)
                if not mine:
                    break
                card.seek(at)
                theirs = card.read(len(mine))
                if mine != theirs:
                    zeroed += sum(1 for a, b in zip(mine, theirs) if a != b and a == 0)
        print(f"{options.name}: bytes zeroed {zeroed} for {bad_bytes} bad "
              f"({zeroed / bad_bytes:.2f} x)")

    exact = damaged_clean = damaged_other = missing = 0
    touching = 0
    for photo in photos(options.manifest):
        name = photo["short_name"]
        if photo.get("state") == "deleted":  # its first letter is lost; saved with "_"
            name = "_" + name[1:]
        path = os.path.join(options.folder, name)
        extents = photo["extents"]
        hit = any(overlap(off, off + size, s, e) for off, size in extents for s, e in ranges)
        touching += hit
        if not os.path.exists(path):
            missing += 1
            continue
        truth = bytearray()
        holes = bytearray()
        for off, size in extents:
            card.seek(off)
            truth += card.read(size)
            mask = bytearray(size)
            for s, e in ranges:
                o = overlap(off, off + size, s, e)
                if o:
                    first = max(s, off) - off
                    mask[first:first + o] = b"\x01" * o
            holes += mask
        with open(path, "rb") as saved:
            mine = saved.read()
        if mine == truth:
            exact += 1
        elif len(mine) == len(truth) and all(
                a == b or (h and a == 0) for a, b, h in zip(mine, truth, holes)):
            damaged_clean += 1
        else:
            damaged_other += 1
    total = len(photos(options.manifest))
    print(f"{options.name}: photos {total} ({touching} touch a bad sector): exact {exact}, "
          f"full size with zeros only in bad sectors {damaged_clean}, otherwise wrong "
          f"{damaged_other}, missing {missing}")


if __name__ == "__main__":
    main()
