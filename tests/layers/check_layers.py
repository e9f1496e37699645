#!/usr/bin/env python3
"""Checks the layers of src/ against the layer list of docs/ARCHITECTURE.md.

The list is the fenced block marked `layers`: one line "folder: folders it links" per library,
from the bottom up. The check fails when
- the libraries' links in the build (<build>/layers/links.txt) differ from the list,
- a folder of src/ with sources is missing from the list,
- a file of src/ includes a header of a folder that its library does not reach through its links.
"""

import argparse
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def parse_layers(lines):
    layers = {}
    for line in lines:
        line = line.strip()
        if not line:
            continue
        folder, _, below = line.partition(":")
        layers[folder.strip()] = below.split()
    return layers


def read_layer_block(doc_path):
    text = doc_path.read_text(encoding="utf-8")
    match = re.search(r"^```layers\n(.*?)^```", text, re.MULTILINE | re.DOTALL)
    if not match:
        sys.exit(f"{doc_path}: no ```layers block")
    return parse_layers(match.group(1).splitlines())


def reachable(layers):
    reach = {}

    def visit(folder, path):
        if folder in reach:
            return reach[folder]
        if folder in path:
            sys.exit(f"the layer list has a cycle: {' -> '.join(path + [folder])}")
        seen = {folder}
        for below in layers.get(folder, []):
            seen |= visit(below, path + [folder])
        reach[folder] = seen
        return seen

    for folder in layers:
        visit(folder, [])
    return reach


def folder_of(path, layers):
    """The listed folder that holds path (the longest one, so app/gui wins over app)."""
    best = None
    for folder in layers:
        if path == folder or path.startswith(folder + "/"):
            if best is None or len(folder) > len(best):
                best = folder
    return best


def check_links(layers, links_path):
    problems = []
    built = parse_layers(links_path.read_text(encoding="utf-8").splitlines())
    for folder, below in built.items():
        if folder not in layers:
            problems.append(f"library of {folder}/ is built but not in the layer list")
        elif sorted(layers[folder]) != sorted(below):
            problems.append(f"{folder}/ links {' '.join(sorted(below)) or 'nothing'} in the build,"
                            f" the layer list says {' '.join(sorted(layers[folder])) or 'nothing'}")
    return problems


def check_includes(layers, src):
    problems = []
    reach = reachable(layers)
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp") or not path.is_file():
            continue
        relative = path.relative_to(src).as_posix()
        own = folder_of(relative, layers)
        if own is None:
            problems.append(f"src/{relative}: its folder is not in the layer list")
            continue
        for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            match = INCLUDE.match(line)
            if not match or "/" not in match.group(1):
                continue
            target = folder_of(match.group(1), layers)
            if target is None or target not in reach[own]:
                problems.append(f"src/{relative}:{number}: {own}/ may not include"
                                f" \"{match.group(1)}\"")
    return problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--doc", required=True, type=pathlib.Path)
    parser.add_argument("--links", required=True, type=pathlib.Path)
    parser.add_argument("--src", required=True, type=pathlib.Path)
    args = parser.parse_args()

    layers = read_layer_block(args.doc)
    problems = check_links(layers, args.links) + check_includes(layers, args.src)
    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} layer problem(s)")
        return 1
    print(f"{len(layers)} layers, every include goes down")
    return 0


if __name__ == "__main__":
    sys.exit(main())
