#!/usr/bin/env python3
"""Counts what a recovery brought back from a card built by mkcard.

count_finds.py IMAGE MANIFEST OUTPUT_DIR [--list]

The truth is what mkcard wrote: every file record of the manifest whose extents still hold it
(intact) and whose name is of a photo, raw or video type. An output is exact when its bytes are
those of such a file, a repeat when that file was already matched, and junk when its bytes are
no whole file written to the card. Prints one line:
  exact E of T (live a/b, deleted c/d, lost e/f, raw g/h), junk J, repeats R, missed M, output B bytes
"""
import hashlib
import json
import os
import sys

TYPES = {
    ".jpg", ".jpeg", ".jpe", ".tif", ".tiff", ".dng", ".cr2", ".cr3", ".nef", ".orf", ".pef",
    ".arw", ".srf", ".sr2", ".raw", ".mrw", ".rw2", ".raf", ".avi", ".mov", ".mp4", ".heic",
    ".mts", ".m2ts",
}
STATES = ("live", "deleted", "lost", "raw")


def written_files(image_path, manifest_path):
    with open(manifest_path, encoding="utf-8") as manifest, open(image_path, "rb") as image:
        for line in manifest:
            record = json.loads(line)
            if record.get("record") != "file" or record.get("content") == "folder":
                continue
            data = bytearray()
            for offset, size in record["extents"]:
                image.seek(offset)
                data += image.read(size)
            yield record, hashlib.sha256(data).hexdigest()


def main():
    image, manifest, output = sys.argv[1:4]
    listing = "--list" in sys.argv[4:]
    truth = {}  # digest -> (state, path)
    whole = set()
    for record, digest in written_files(image, manifest):
        whole.add(digest)
        name = record.get("long_name") or record["path"]
        if record.get("intact") and os.path.splitext(name)[1].lower() in TYPES:
            truth.setdefault(digest, (record["state"], record["path"]))
    matched = set()
    junk = repeats = total_bytes = 0
    for folder, _, names in os.walk(output):
        for name in sorted(names):
            path = os.path.join(folder, name)
            with open(path, "rb") as file:
                data = file.read()
            total_bytes += len(data)
            digest = hashlib.sha256(data).hexdigest()
            if digest in truth:
                repeats += digest in matched
                matched.add(digest)
            elif digest not in whole:
                junk += 1
                if listing:
                    print(f"  junk: {os.path.relpath(path, output)} ({len(data)} bytes)")
    by_state = []
    for state in STATES:
        wanted = [d for d, (s, _) in truth.items() if s == state]
        by_state.append(f"{state} {sum(d in matched for d in wanted)}/{len(wanted)}")
    if listing:
        for digest, (state, path) in sorted(truth.items(), key=lambda t: t[1][1]):
            if digest not in matched:
                print(f"  missed: {path} ({state})")
    print(f"exact {len(matched)} of {len(truth)} ({', '.join(by_state)}), junk {junk}, "
          f"repeats {repeats}, missed {len(truth) - len(matched)}, output {total_bytes} bytes")


if __name__ == "__main__":
    main()
