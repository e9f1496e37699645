#!/usr/bin/env python3
"""Counts what a recovery brought back from a card built by mkcard.

count_finds.py IMAGE MANIFEST OUTPUT_DIR CATALOGUE [--list]

The truth is what mkcard wrote: every file record of the manifest whose extents still hold it
(intact) and whose name is of a type that a scan format measures, in any of its spellings, as the
program's catalogue says (CATALOGUE, the listing kova-catalogue prints). An output is exact when its bytes are
those of such a file, a repeat when that file was already matched, and junk when its bytes are
no whole file written to the card. Prints one line:
  exact E of T (live a/b, deleted c/d, lost e/f, raw g/h), junk J, repeats R, missed M, output B bytes
"""
import hashlib
import json
import os
import sys

STATES = ("live", "deleted", "lost", "raw")


def scanned_types(catalogue_path):
    """The extensions, in every spelling, of the catalogue types that a scan format measures."""
    types = set()
    with open(catalogue_path, encoding="utf-8") as catalogue:
        for line in catalogue:
            if line.startswith("#"):
                continue
            extension, _group, _listed, scan_format, spellings = line.rstrip("\n").split("\t")
            if scan_format != "-":
                types.add(extension)
                types.update(s for s in spellings.split(",") if s != "-")
    return types


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
    image, manifest, output, catalogue = sys.argv[1:5]
    listing = "--list" in sys.argv[5:]
    types = scanned_types(catalogue)
    truth = {}  # digest -> (state, path)
    whole = set()
    for record, digest in written_files(image, manifest):
        whole.add(digest)
        name = record.get("long_name") or record["path"]
        if record.get("intact") and os.path.splitext(name)[1].lower() in types:
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
