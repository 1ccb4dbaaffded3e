#!/usr/bin/env python3
"""Checks that the source folders depend only downwards, over the include graph.

    check-layering.py [ROOT]      (ROOT: the repository, default: this script's parent)

Fails (exit 1, one line per fault) on
  - an include that goes up the folder order or across two folders of the same level;
  - an include cycle between files;
  - a Qt include in a file of a rule library, or a rule file that includes a `_ui` file
    (which would bring Qt in through it).
Prints the folder edges of the graph when it passes.

Which library a file belongs to is read from its folder's CMakeLists.txt: files listed
after RULES are the rule library (no Qt), files after UI are the `_ui` library, files after
PROGRAMS (a program's main.cpp) are checked for layering only; a file in no list is a fault.
"""
import os
import re
import sys

# The folder order, lowest first; folders on one line are siblings and may not include each
# other. sim/ may use everything below app (and app runs it for --simulate).
LEVELS = [
    ["src/platform", "src/resources"],
    ["src/config"],
    ["src/instrument"],
    ["src/datafile"],
    ["src/gps", "src/profile"],
    ["src/survey", "src/viewer"],
    ["sim"],
    ["src/app"],
]
# Tools sit above everything but may include rule-library files only.
TOOLS = ["tools/r47"]
# Where a quoted include is looked up besides the including file's folder.
INCLUDE_ROOTS = ["src", "."]

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)
QT_HEADER = re.compile(r"^(Qt\w*/|Q[A-Z]\w*$|q\w+\.h$)")
SOURCE = re.compile(r"\.(h|hpp|cpp|cc)$")
LIST_KEYWORDS = {"RULES": "rules", "UI": "ui", "PROGRAMS": "program"}


def read(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        return f.read()


def strip_comments(text):
    text = re.sub(r"/\*.*?\*/", "", text, flags=re.S)
    return re.sub(r"//[^\n]*", "", text)


def library_lists(cmake_text):
    """Maps each file name listed in a CMakeLists.txt to "rules", "ui" or "program"."""
    kinds = {}
    current = None
    for token in re.findall(r"[^\s()]+", re.sub(r"#[^\n]*", "", cmake_text)):
        if token in LIST_KEYWORDS:
            current = LIST_KEYWORDS[token]
        elif token.isupper():
            current = None  # another keyword (LIBS, UI_LIBS, ...) ends the list
        elif current and SOURCE.search(token):
            kinds[token] = current
    return kinds


def collect(root):
    """Returns {file: (folder, kind)} for every source file of every checked folder."""
    files = {}
    for folder in [f for level in LEVELS for f in level] + TOOLS:
        path = os.path.join(root, folder)
        if not os.path.isdir(path):
            continue
        cmake = os.path.join(path, "CMakeLists.txt")
        kinds = library_lists(read(cmake)) if os.path.exists(cmake) else {}
        for name in sorted(os.listdir(path)):
            if SOURCE.search(name):
                files[f"{folder}/{name}"] = (folder, kinds.get(name, "unlisted"))
    return files


def resolve(root, including, target, files):
    for base in [os.path.dirname(including)] + INCLUDE_ROOTS:
        candidate = os.path.normpath(os.path.join(base, target)).replace(os.sep, "/")
        if candidate in files:
            return candidate
    return None


def level_of(folder):
    for number, level in enumerate(LEVELS):
        if folder in level:
            return number
    return len(LEVELS)  # tools


def find_cycles(graph):
    """Returns one file list per include cycle found by a depth-first walk."""
    cycles, state, stack = [], {}, []

    def visit(node):
        state[node] = "open"
        stack.append(node)
        for nxt in sorted(graph.get(node, ())):
            if state.get(nxt) == "open":
                cycles.append(stack[stack.index(nxt):] + [nxt])
            elif nxt not in state:
                visit(nxt)
        stack.pop()
        state[node] = "done"

    for node in sorted(graph):
        if node not in state:
            visit(node)
    return cycles


def check(root):
    files = collect(root)
    faults, graph, folder_edges = [], {}, set()
    for path, (folder, kind) in sorted(files.items()):
        if kind == "unlisted":
            faults.append(f"{path}: in no list (RULES, UI or PROGRAMS) of {folder}/CMakeLists.txt")
        for bracket, target in INCLUDE.findall(strip_comments(read(os.path.join(root, path)))):
            if bracket == "<":
                if kind == "rules" and QT_HEADER.match(target):
                    faults.append(f"{path}: Qt include <{target}> in a rule-library file")
                continue
            included = resolve(root, path, target, files)
            if included is None:
                continue
            graph.setdefault(path, set()).add(included)
            to_folder, to_kind = files[included]
            if kind == "rules" and to_kind == "ui":
                faults.append(f"{path}: rule-library file includes the Qt file {included}")
            if to_folder == folder:
                continue
            folder_edges.add((folder, to_folder))
            if folder in TOOLS:
                if to_kind != "rules":
                    faults.append(f"{path}: a tool includes {included}, not a rule-library file")
                continue
            here, there = level_of(folder), level_of(to_folder)
            if there > here:
                faults.append(f"{path}: upward include of {included} ({folder} is below {to_folder})")
            elif there == here:
                faults.append(f"{path}: sideways include of {included} ({folder} and {to_folder} are siblings)")
    for cycle in find_cycles(graph):
        faults.append("include cycle: " + " -> ".join(cycle))
    return faults, folder_edges


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    faults, edges = check(os.path.abspath(root))
    if faults:
        for fault in faults:
            print("layering: " + fault)
        return 1
    for source, target in sorted(edges, key=lambda e: (-level_of(e[0]), e[0], -level_of(e[1]), e[1])):
        print(f"{source} -> {target}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
