#!/usr/bin/env python3
"""Layering check: every source and header file under Src/ belongs to one library (Src/Layers.txt),
and no file includes a file of a library above its own. The .cpp files that Src/CMakeLists.txt
gives to each kx_ library must belong to that library in the table too.

Usage: check-layers.py [SRC_DIR]   (default: the Src folder beside this script's folder)
Exit status 0 when the layering holds, 1 with one line per fault otherwise.
"""
import os
import re
import sys

SOURCE_EXTENSIONS = ('.h', '.hpp', '.c', '.cc', '.cpp')
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def read_table(path):
    """Returns (libraries bottom up, {entry: library})."""
    libraries, entries, current = [], {}, None
    with open(path, encoding='utf-8') as f:
        for number, raw in enumerate(f, 1):
            line = raw.split('#', 1)[0].strip()
            if not line:
                continue
            if line.endswith(':'):
                current = line[:-1].strip()
                if current in libraries:
                    raise SystemExit('%s:%d: library %s listed twice' % (path, number, current))
                libraries.append(current)
            elif current is None:
                raise SystemExit('%s:%d: entry before any library' % (path, number))
            elif line in entries:
                raise SystemExit('%s:%d: %s listed twice' % (path, number, line))
            else:
                entries[line] = current
    return libraries, entries


def library_of(rel, entries):
    """Library of a file (path relative to Src, with '/'); None when no entry matches."""
    stem = os.path.splitext(rel)[0]
    best, best_len = None, -1
    for entry, library in entries.items():
        if entry.endswith('/'):
            hit = rel.startswith(entry)
        else:
            hit = stem == entry
        if hit and len(entry) > best_len:
            best, best_len = library, len(entry)
    return best


def cmake_sources(path):
    """{library name without kx_: [source paths]} from the add_library blocks."""
    with open(path, encoding='utf-8') as f:
        text = re.sub(r'#[^\n]*', '', f.read())
    out = {}
    for name, body in re.findall(r'add_library\(\s*kx_(\w+)\s+(?:STATIC|SHARED|OBJECT)?([^)]*)\)', text):
        out.setdefault(name, []).extend(t for t in body.split() if t.endswith(SOURCE_EXTENSIONS))
    return out


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                                             '..', 'Src')
    src = os.path.normpath(src)
    libraries, entries = read_table(os.path.join(src, 'Layers.txt'))
    rank = {lib: i for i, lib in enumerate(libraries)}
    faults = []

    files = []
    for root, _, names in os.walk(src):
        for name in names:
            if name.endswith(SOURCE_EXTENSIONS):
                files.append(os.path.relpath(os.path.join(root, name), src).replace(os.sep, '/'))
    files.sort()

    for rel in files:
        lib = library_of(rel, entries)
        if lib is None:
            faults.append('%s: no entry of Src/Layers.txt maps it to a library' % rel)
            continue
        with open(os.path.join(src, rel), encoding='utf-8', errors='replace') as f:
            for number, line in enumerate(f, 1):
                m = INCLUDE.match(line)
                if not m:
                    continue
                name = m.group(1)
                # Includes name files from Src/; a name beside the including file is tried too.
                candidates = [os.path.normpath(name),
                              os.path.normpath(os.path.join(os.path.dirname(rel), name))]
                target = next((c.replace(os.sep, '/') for c in candidates
                               if os.path.isfile(os.path.join(src, c))), None)
                if target is None:
                    continue
                target_lib = library_of(target, entries)
                if target_lib is not None and rank[target_lib] > rank[lib]:
                    faults.append('%s:%d: a file of %s includes %s of %s, a library above it'
                                  % (rel, number, lib, target, target_lib))

    cmake = os.path.join(src, 'CMakeLists.txt')
    if os.path.isfile(cmake):
        for name, sources in cmake_sources(cmake).items():
            if name not in rank:
                continue
            for source in sources:
                lib = library_of(source, entries)
                if lib != name:
                    faults.append('%s: built into kx_%s but mapped to %s by Src/Layers.txt'
                                  % (source, name, lib))

    for fault in faults:
        print(fault)
    if faults:
        return 1
    print('layering holds: %d files in %s' % (len(files), ', '.join(libraries)))
    return 0


if __name__ == '__main__':
    sys.exit(main())
