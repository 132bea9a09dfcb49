#!/usr/bin/env python3
"""Checks that every include of the sources runs with the layer order of the README.

    scripts/include-arrows.py [project root]

The order is the arrow chain in the fenced block of the README's Layout section; each file
belongs to the longest folder of the chain its path starts with. Each include is resolved as the
compiler resolves it (beside the including file first, then from the project root), so another
spelling of a path does not hide where it leads. Every wrong arrow is printed as
"file:line: ..." and the exit status is 1; a clean tree prints a one-line summary.

One rule stands apart from the order: the system side of the platform layer (platform/posix,
platform/win32) is included only by the layer itself and by the two front ends.
"""

import os
import re
import sys

SOURCE_SUFFIXES = (".h", ".cpp")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]')
TEST_FOLDER = "tests"
SYSTEM_FOLDERS = ("platform/posix", "platform/win32")
SYSTEM_USERS = ("platform", "app/posix", "app/win32")


class Layers:
    """The layer order: a rank per folder, folders of one rank side by side."""

    def __init__(self, ranks):  # lists of folder paths, lowest rank first
        self.rank_of = {folder: rank for rank, group in enumerate(ranks) for folder in group}
        # The test support: the lowest place of the top-level tests/ (or of its subfolders).
        self.test_rank = min((rank for folder, rank in self.rank_of.items()
                              if folder.split("/")[0] == TEST_FOLDER), default=None)
        self.support = [f for f in self.rank_of
                        if f.split("/")[0] == TEST_FOLDER and self.rank_of[f] == self.test_rank]

    def layer_of(self, path):
        """The longest folder of the order that holds path, or None."""
        best = None
        for folder in self.rank_of:
            if path.startswith(folder + "/") and (best is None or len(folder) > len(best)):
                best = folder
        return best

    def is_test(self, path, layer):
        """Code in a tests/ folder, and all from the test support up; it may use the support."""
        if TEST_FOLDER in path.split("/")[:-1]:
            return True
        return self.test_rank is not None and self.rank_of[layer] >= self.test_rank

    def is_support(self, layer):
        return layer in self.support


def read_layers(readme_path):
    """The chain of the first fenced block with arrows in the README's Layout section."""
    with open(readme_path, encoding="utf-8") as readme:
        text = readme.read()
    section = re.search(r"^## Layout\n(.*?)(?=^## |\Z)", text, re.S | re.M)
    if not section:
        return None, "the README has no Layout section"
    for block in re.findall(r"^```[^\n]*\n(.*?)^```", section.group(1), re.S | re.M):
        if "→" in block:
            ranks = [[f.strip().strip("`").rstrip("/") for f in rank.split("|")]
                     for rank in " ".join(block.split()).split("→")]
            if any(not folder for rank in ranks for folder in rank):
                return None, "the layer order in the README's Layout section has an empty place"
            return Layers(ranks), None
    return None, "the README's Layout section states no layer order (a block with →)"


def source_files(root):
    for folder, subfolders, files in os.walk(root):
        relative = os.path.relpath(folder, root)
        subfolders[:] = sorted(d for d in subfolders
                               if not (relative == "." and (d.startswith("build") or
                                                            d.startswith("."))))
        for name in sorted(files):
            if name.endswith(SOURCE_SUFFIXES):
                yield os.path.normpath(os.path.join(relative, name)).replace(os.sep, "/")


def resolve(root, path, bracket, spelling):
    """The project-relative file an include opens, or None where it opens no project file."""
    candidates = [os.path.join(root, spelling)]
    if bracket == '"':
        candidates.insert(0, os.path.join(root, os.path.dirname(path), spelling))
    for candidate in candidates:
        if os.path.isfile(candidate):
            relative = os.path.relpath(os.path.normpath(candidate), root).replace(os.sep, "/")
            return None if relative.startswith("../") else relative
    return None


def within(path, folders):
    return any(path.startswith(folder + "/") for folder in folders)


def judge(layers, path, layer, target, spelling):
    """What is wrong with path including target, or None."""
    if ".." in spelling.replace("\\", "/").split("/"):
        return f'"{spelling}" climbs with "..": name headers from the project root'
    if within(target, SYSTEM_FOLDERS) and not within(path, SYSTEM_USERS):
        return (f'"{spelling}" reaches the system side of the platform ({target}), which only '
                "platform/ and the front ends app/posix and app/win32 include")
    target_layer = layers.layer_of(target)
    if target_layer is None:
        return (f'"{spelling}" reaches {target}, whose folder has no place in the layer order '
                "(place it in the README's Layout section)")
    test, target_test = layers.is_test(path, layer), layers.is_test(target, target_layer)
    if target_test and not test:
        return f'"{spelling}" reaches test code ({target}) from code that is not a test'
    if test and layers.is_support(target_layer):
        return None
    rank, target_rank = layers.rank_of[layer], layers.rank_of[target_layer]
    if target_rank > rank:
        return (f'"{spelling}" runs against the layer order: {layer} → {target_layer}, '
                f"but {target_layer} stands above {layer}")
    if target_rank == rank and target_layer != layer:
        return (f'"{spelling}" runs between {layer} and {target_layer}, which stand side by '
                "side and include neither each other")
    return None


def check(root):
    layers, problem = read_layers(os.path.join(root, "README.md"))
    if problem:
        return [problem], 0
    faults = [f"the layer order names {folder}/, which is no folder"
              for folder in layers.rank_of if not os.path.isdir(os.path.join(root, folder))]
    count = 0
    for path in source_files(root):
        layer = layers.layer_of(path)
        if layer is None:
            faults.append(f"{path}: its folder has no place in the layer order "
                          "(place it in the README's Layout section)")
            continue
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as source:
            for number, line in enumerate(source, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                bracket, spelling = match.groups()
                target = resolve(root, path, bracket, spelling)
                if target is None:
                    if bracket == '"':
                        faults.append(f'{path}:{number}: "{spelling}" is no file of the project')
                    continue
                count += 1
                fault = judge(layers, path, layer, target, spelling)
                if fault:
                    faults.append(f"{path}:{number}: {fault}")
    return faults, count


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                           os.path.join(os.path.dirname(__file__), ".."))
    faults, count = check(root)
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} fault(s) against the layer order of README.md")
        return 1
    print(f"{count} includes of the project's own headers run with the layer order")
    return 0


if __name__ == "__main__":
    sys.exit(main())
