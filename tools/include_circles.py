#!/usr/bin/env python3
"""Lists the file circles of a source folder from its #include lines.

A unit is a header and the source files that define what it declares: X.h
and X.cpp, and a source file without a header of its own belongs to the
header whose class it defines members of (`Class::member`); a header
without a source file of its own that only one file includes is a private
part of that file (as graphlayers.h is of graphview.cpp). Unit A depends
on unit B when a file of A includes B's header; every strongly connected
set of two or more units is a circle (its files call each other).

Usage: include_circles.py [FOLDER ...]   (default: gui/graph), run from the
repository's root. Prints each circle's files and the count; exits 0.
"""

import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
CLASS = re.compile(r'^\s*(?:class|struct)\s+(\w+)\b[^;]*$', re.M)
MEMBER = re.compile(r'\b(\w+)::~?\w+\s*\(')


def files_under(folder):
    for root, _dirs, names in os.walk(folder):
        for name in names:
            if name.endswith((".h", ".cpp")):
                yield os.path.join(root, name).replace(os.sep, "/")


def units(folders):
    files = sorted(f for folder in folders for f in files_under(folder))
    text = {f: open(f, encoding="utf-8", errors="replace").read() for f in files}
    headers = {f for f in files if f.endswith(".h")}
    unit_of = {}
    classes = {}
    for h in headers:
        unit_of[h] = h[:-2]
        for c in CLASS.findall(text[h]):
            classes.setdefault(c, h[:-2])
    for f in files:
        if f in unit_of:
            continue
        stem = f[:-4]
        if stem + ".h" in headers:
            unit_of[f] = stem
            continue
        owners = [classes[c] for c in MEMBER.findall(text[f]) if c in classes]
        unit_of[f] = max(set(owners), key=owners.count) if owners else stem
    includers = {}
    for f in files:
        for inc in INCLUDE.findall(text[f]):
            includers.setdefault(inc, set()).add(f)
    for h in headers:
        if h[:-2] + ".cpp" not in text and len(includers.get(h, ())) == 1:
            (only,) = includers[h]
            unit_of[h] = unit_of[only]
    edges = {}
    for f in files:
        a = unit_of[f]
        edges.setdefault(a, set())
        for inc in INCLUDE.findall(text[f]):
            if inc in unit_of and unit_of[inc] != a:
                edges[a].add(unit_of[inc])
    return unit_of, edges


def circles(edges):
    index, low, stack, on, out = {}, {}, [], set(), []
    counter = [0]

    def visit(v):
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on.add(v)
        for w in sorted(edges.get(v, ())):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            group = []
            while True:
                w = stack.pop()
                on.discard(w)
                group.append(w)
                if w == v:
                    break
            if len(group) > 1:
                out.append(sorted(group))

    sys.setrecursionlimit(10000)
    for v in sorted(edges):
        if v not in index:
            visit(v)
    return out


def main():
    folders = sys.argv[1:] or ["gui/graph"]
    unit_of, edges = units(folders)
    found = circles(edges)
    for group in found:
        names = sorted(f for f, u in unit_of.items() if u in group)
        print("circle: " + " ".join(names))
    print("%d circle(s) among %d units in %s" % (len(found), len(edges), " ".join(folders)))


if __name__ == "__main__":
    main()
