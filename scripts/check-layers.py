#!/usr/bin/env python3
"""Checks the includes under src/ against the layer table of docs/architecture.md.

Fails on an include of a library that the including library may not use (one pointing up or
across), on a project include that names no file, and on any include cycle between files or between
library folders. Prints each fault and exits non-zero when there is any.
"""
import os
import re
import sys

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..'))
SRC = os.path.join(ROOT, 'src')
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
ROW = re.compile(r'^\|\s*`[^`]+`\s*\|\s*`src(?:/([^`]*))?`[^|]*\|[^|]*\|([^|]*)\|\s*$')


def read_layers():
    """Library folder (relative to src/, '' for main.cpp) -> the folders it may include."""
    layers = {}
    with open(os.path.join(ROOT, 'docs', 'architecture.md'), encoding='utf-8') as doc:
        for line in doc:
            match = ROW.match(line.strip())
            if match:
                folder = match.group(1) or ''
                allowed = {name.strip() for name in match.group(2).split(',') if name.strip()}
                layers[folder] = allowed
    if not layers:
        sys.exit('check-layers: no layer table found in docs/architecture.md')
    return layers


def library_of(path, layers):
    """The library folder that owns a file path relative to src/ (the longest matching folder)."""
    folder = os.path.dirname(path)
    best = None
    for library in layers:
        if library and (folder == library or folder.startswith(library + '/')):
            if best is None or len(library) > len(best):
                best = library
    return best if best is not None else ''


def source_files():
    for folder, _, names in os.walk(SRC):
        for name in sorted(names):
            if name.endswith(('.h', '.cpp')):
                yield os.path.relpath(os.path.join(folder, name), SRC)


def resolve(including, name):
    """The included file relative to src/, or None for a header that is not ours."""
    beside = os.path.normpath(os.path.join(os.path.dirname(including), name))
    if os.path.isfile(os.path.join(SRC, beside)):
        return beside
    if os.path.isfile(os.path.join(SRC, name)):
        return os.path.normpath(name)
    return None


def find_cycle(graph):
    """One cycle of a directed graph as a list of nodes, or None."""
    state = {}
    stack = []

    def visit(node):
        state[node] = 'open'
        stack.append(node)
        for following in sorted(graph.get(node, ())):
            if state.get(following) == 'open':
                return stack[stack.index(following):] + [following]
            if following not in state:
                cycle = visit(following)
                if cycle:
                    return cycle
        stack.pop()
        state[node] = 'done'
        return None

    for node in sorted(graph):
        if node not in state:
            cycle = visit(node)
            if cycle:
                return cycle
    return None


def main():
    layers = read_layers()
    faults = []
    files = {}
    folders = {}
    for path in source_files():
        with open(os.path.join(SRC, path), encoding='utf-8') as source:
            text = source.read()
        own = library_of(path, layers)
        files.setdefault(path, set())
        for name in INCLUDE.findall(text):
            target = resolve(path, name)
            if target is None:
                if '/' in name:
                    faults.append(f'{path}: includes "{name}", which is no file under src/')
                continue  # a generated header or one of a library we build against
            files[path].add(target)
            other = library_of(target, layers)
            if other == own:
                continue
            folders.setdefault(own, set()).add(other)
            if other not in layers[own]:
                faults.append(f'{path}: includes "{name}" of {other or "main"}, '
                              f'which {own or "main"} may not use')
    for graph, what in ((files, 'files'), (folders, 'folders')):
        cycle = find_cycle(graph)
        if cycle:
            faults.append(f'include cycle between {what}: ' + ' -> '.join(c or 'main' for c in cycle))
    for fault in faults:
        print('check-layers: ' + fault)
    print(f'check-layers: {len(files)} files, {len(faults)} faults')
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
