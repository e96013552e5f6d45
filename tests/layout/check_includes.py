#!/usr/bin/env python3
"""The product's folders include one another one way only.

Reads every product source's #include "folder/..." lines and fails when a
file outside app/ includes app/, or when the folders' include graph has a
circle. Prints the graph it read (folder -> folders) either way.
"""
import os
import re
import sys

FOLDERS = ["app", "volume", "tray", "wheel", "settings", "dialogs", "framework", "hookdll", "resources"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z]+)/')


def folder_of(path):
    return path.split(os.sep, 1)[0]


def read_graph(top):
    graph, back = {f: set() for f in FOLDERS}, []
    for folder in FOLDERS:
        for root, _, files in os.walk(os.path.join(top, folder)):
            for name in files:
                if not name.endswith((".cpp", ".h")):
                    continue
                path = os.path.join(root, name)
                rel = os.path.relpath(path, top)
                with open(path, encoding="utf-8", errors="replace") as f:
                    for line in f:
                        m = INCLUDE.match(line)
                        if not m or m.group(1) not in graph or m.group(1) == folder:
                            continue
                        graph[folder].add(m.group(1))
                        if m.group(1) == "app":
                            back.append(rel)
    return graph, back


def circle(graph):
    state = {}

    def visit(node, path):
        state[node] = 1
        for nxt in sorted(graph[node]):
            if state.get(nxt) == 1:
                return path[path.index(nxt):] + [nxt] if nxt in path else path + [nxt]
            if nxt not in state:
                found = visit(nxt, path + [nxt])
                if found:
                    return found
        state[node] = 2
        return None

    for node in FOLDERS:
        if node not in state:
            found = visit(node, [node])
            if found:
                return found
    return None


def main():
    top = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..")
    graph, back = read_graph(top)
    for folder in FOLDERS:
        if graph[folder]:
            print(f"{folder} -> {' '.join(sorted(graph[folder]))}")
    ok = True
    for rel in back:
        print(f"FAIL: {rel} includes app/: only app/ may")
        ok = False
    found = circle(graph)
    if found:
        print("FAIL: the folders include one another in a circle: " + " -> ".join(found))
        ok = False
    print("includes run one way" if ok else "includes do not run one way")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
