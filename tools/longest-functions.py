#!/usr/bin/python3
"""Prints the N longest C++ function bodies under a directory (default: src/).

    tools/longest-functions.py [-n N] [DIR]

One line each: lines, name, FILE:LINE (the line of the signature). A body runs from
the "{" that ends a function's signature to the "}" alone at the signature's own
indentation: column 0, or a class's indentation for a function defined inside the
class. That is how clang-format lays out our code; anything laid out otherwise (a
lambda, a one-line function) is counted within its function or not at all.
"""
import argparse
import os
import re
import sys

NOT_FUNCTIONS = re.compile(
    r"^\s*(if|else|for|while|do|switch|try|catch|class|struct|union|enum|namespace|"
    r"extern|template\s*<[^>]*>\s*(class|struct))\b|=\s*\{+$|^\s*\[")
ACCESS = re.compile(r"^\s*(public|protected|private|signals|Q_SIGNALS)?\s*(slots|Q_SLOTS)?\s*:$")
NAME = re.compile(r"((?:[\w~]+(?:<[^()]*>)?::)*(?:operator\s*(?:\(\)|[^\s(]+)|~?\w+))\s*\(")


def strip(line):
    """The line without a trailing // comment and surrounding blanks."""
    return re.sub(r"\s*//.*$", "", line).strip() if "//" in line else line.strip()


def functions(path):
    """(lines, name, line number) of every function body in one file."""
    with open(path, encoding="utf-8", errors="replace") as f:
        lines = f.read().split("\n")
    found = []
    statement = []  # (line number, text) since the last statement ended
    i = 0
    while i < len(lines):
        text = strip(lines[i])
        if not text or text.startswith(("#", "/*", "*")) or ACCESS.match(text):
            statement = []
            i += 1
            continue
        statement.append((i, text))
        if not text.endswith("{"):
            if text.endswith((";", "}")):
                statement = []
            i += 1
            continue
        first, head = statement[0][0], " ".join(t for _n, t in statement)
        statement = []
        name = NAME.search(head.split(" : ")[0])
        if "(" not in head or NOT_FUNCTIONS.search(head) or not name:
            i += 1
            continue
        indent = lines[first][: len(lines[first]) - len(lines[first].lstrip())]
        end = next((j for j in range(i + 1, len(lines))
                    if lines[j].rstrip() in (indent + "}", indent + "};")), None)
        if end is None:
            i += 1
            continue
        found.append((end - i + 1, name.group(1), first + 1))
        i = end + 1
    return found


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("-n", type=int, default=10, help="how many (default 10)")
    parser.add_argument("dir", nargs="?", default="src")
    args = parser.parse_args()
    everything = []
    for root, _dirs, files in os.walk(args.dir):
        for name in files:
            if name.endswith((".cpp", ".h", ".hpp", ".cc")):
                path = os.path.join(root, name)
                everything += [(n, f, path, line) for n, f, line in functions(path)]
    everything.sort(key=lambda e: (-e[0], e[2], e[3]))
    for count, name, path, line in everything[: args.n]:
        print(f"{count:5d}  {name}  {os.path.relpath(path, args.dir)}:{line}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
