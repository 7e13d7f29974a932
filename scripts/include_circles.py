#!/usr/bin/env python3
"""Prints the include circles of a source tree: the strongly connected sets
of files, where a file depends on what it includes and a header also on
the files that implement it (a .cpp of the same name beside it, or one
that defines members of a class the header declares), so that a class
spread over several files counts as one set of files.

  scripts/include_circles.py [DIR (source)] [--all] [--max N]

Prints one line per circle of more than two files, largest first: its size
and its files (--all also lists the two-file sets of a header and its own
.cpp). With --max N the exit status is 1 when a circle holds more than N
files, else 0.
"""
import os
import re
import sys
from collections import defaultdict

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
CLASS = re.compile(r'^\s*(?:class|struct)\s+(?:\w+\s+)?(\w+)\s*(?:final\s*)?(?::[^;{]*)?\{', re.M)


def sources(root):
    out = []
    for d, _, names in os.walk(root):
        for n in names:
            if n.endswith((".h", ".cpp")):
                out.append(os.path.relpath(os.path.join(d, n), root))
    return sorted(out)


def graph(root):
    files = sources(root)
    known = set(files)
    text = {f: open(os.path.join(root, f), errors="replace").read() for f in files}
    edges = defaultdict(set)
    for f in files:
        here = os.path.dirname(f)
        for line in text[f].splitlines():
            m = INCLUDE.match(line)
            if not m:
                continue
            for c in (os.path.normpath(os.path.join(here, m.group(1))), os.path.normpath(m.group(1))):
                if c in known:
                    edges[f].add(c)
                    break
    classes = {h: set(CLASS.findall(text[h])) for h in files if h.endswith(".h")}
    for c in files:
        if not c.endswith(".cpp"):
            continue
        for h in list(edges[c]):
            if os.path.splitext(h)[0] == os.path.splitext(c)[0] or any(
                    re.search(r'^[^\s/#].*\b' + re.escape(k) + r'::~?\w+\s*\(', text[c], re.M)
                    for k in classes.get(h, ())):
                edges[h].add(c)
    return files, edges


def circles(files, edges):
    index, low, on, stack, found = {}, {}, set(), [], []
    counter = [0]

    def visit(v):
        # Tarjan's algorithm, with an explicit stack of iterators.
        work = [(v, iter(sorted(edges[v])))]
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on.add(v)
        while work:
            node, it = work[-1]
            for w in it:
                if w not in index:
                    index[w] = low[w] = counter[0]
                    counter[0] += 1
                    stack.append(w)
                    on.add(w)
                    work.append((w, iter(sorted(edges[w]))))
                    break
                if w in on:
                    low[node] = min(low[node], index[w])
            else:
                work.pop()
                if work:
                    low[work[-1][0]] = min(low[work[-1][0]], low[node])
                if low[node] == index[node]:
                    comp = []
                    while True:
                        w = stack.pop()
                        on.discard(w)
                        comp.append(w)
                        if w == node:
                            break
                    found.append(sorted(comp))

    for f in files:
        if f not in index:
            visit(f)
    return sorted((c for c in found if len(c) > 1), key=lambda c: (-len(c), c))


def main(argv):
    root, show_all, limit = "source", False, None
    args = iter(argv)
    for a in args:
        if a == "--all":
            show_all = True
        elif a == "--max":
            limit = int(next(args))
        else:
            root = a
    files, edges = graph(root)
    found = circles(files, edges)
    shown = [c for c in found if show_all or len(c) > 2]
    for c in shown:
        print(len(c), " ".join(c))
    largest = len(found[0]) if found else 1
    print("largest circle: %d files (%d circles of more than two files)" % (largest, sum(len(c) > 2 for c in found)))
    return 1 if limit is not None and largest > limit else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
