#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Checks that the folders under src/ depend on each other one way only.

Counts the #include "folder/..." lines from each folder to every other, prints the graph, and
fails when the folders form a circle, when widget-free code includes code outside the core
folders: the core/ folders (linked alone by the fuzzers) and the command-line tool in cli/, or
when code outside a loadable module's folder includes the module's code: the program would then
need the module's libraries (the web engine's, for browser/engine/) from its start.

Usage: check-layers.py [SRC_DIR]   (default: the src folder next to this script's folder)
"""
import os
import re
import sys
from collections import defaultdict

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
# Folders built into modules that the program loads when first needed.
MODULES = ("browser/engine/",)


def scan(src):
    edges = defaultdict(int)      # (from folder, to folder) -> number of include lines
    core_breaches = []            # (file, included path)
    module_breaches = []          # (file, included path)
    for root, _dirs, files in os.walk(src):
        for name in sorted(files):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(root, name)
            rel = os.path.relpath(path, src).replace(os.sep, "/")
            parts = rel.split("/")
            if len(parts) < 2:
                continue
            folder = parts[0]
            in_core = (len(parts) > 2 and parts[1] == "core") or folder == "cli"
            with open(path, encoding="utf-8", errors="replace") as f:
                for line in f:
                    m = INCLUDE.match(line)
                    if not m or "/" not in m.group(1):
                        continue
                    target = m.group(1).split("/")
                    if not os.path.isdir(os.path.join(src, target[0])):
                        continue
                    if target[0] != folder:
                        edges[(folder, target[0])] += 1
                    if in_core and not (len(target) > 2 and target[1] == "core"):
                        core_breaches.append((rel, m.group(1)))
                    for module in MODULES:
                        if m.group(1).startswith(module) and not rel.startswith(module):
                            module_breaches.append((rel, m.group(1)))
    return edges, core_breaches, module_breaches


def find_cycles(edges):
    """Strongly connected components with more than one folder (Tarjan)."""
    graph = defaultdict(set)
    for a, b in edges:
        graph[a].add(b)
        graph.setdefault(b, set())
    index, low, stack, on_stack, result = {}, {}, [], set(), []
    counter = [0]

    def visit(v):
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on_stack.add(v)
        for w in sorted(graph[v]):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            component = []
            while True:
                w = stack.pop()
                on_stack.discard(w)
                component.append(w)
                if w == v:
                    break
            if len(component) > 1:
                result.append(sorted(component))

    for v in sorted(graph):
        if v not in index:
            visit(v)
    return result


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "src")
    edges, core_breaches, module_breaches = scan(src)
    print(f"{len(edges)} folder-to-folder dependencies:")
    for (a, b), count in sorted(edges.items()):
        print(f"  {a} -> {b}  ({count})")
    failed = False
    for component in find_cycles(edges):
        failed = True
        print("CIRCLE between: " + ", ".join(component))
    for rel, included in core_breaches:
        failed = True
        print(f"CORE includes non-core code: {rel} -> {included}")
    for rel, included in module_breaches:
        failed = True
        print(f"MODULE code included from outside the module: {rel} -> {included}")
    print("FAILED" if failed else "OK: one way, no circle")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
