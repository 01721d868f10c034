#!/bin/sh
# Checks the client's layers: includes point one way only (ui -> controller
# -> interpreter and transcript -> session -> common -> libs), no include circle among the
# client's files, the toolkit is included only in client/ui, and the session,
# interpreter and transcript libraries link no toolkit. Usage: check-layers.sh [BUILD_DIR]
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-}
exec python3 - "$top" "$build" <<'PY'
import os, re, sys

top, build = sys.argv[1], sys.argv[2]
include = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)
toolkit = re.compile(r'^(gtkmm|gdkmm|glibmm|pangomm|atkmm|libglademm|gtk|gdk|glade)[/.-]')
# Layer of a client file, lower numbers lower down.
def layer(path):
    if path.startswith('client/session/'): return 1
    if path.startswith('client/interpreter/'): return 2
    if path.startswith('client/transcript/'): return 2
    if path.startswith('client/ui/'): return 4
    if path.startswith('client/'): return 3
    return 0
names = {1: 'session', 2: 'interpreter or transcript', 3: 'controller', 4: 'ui'}

faults = []
graph = {}
for folder, _, files in os.walk(os.path.join(top, 'client')):
    for name in files:
        if not name.endswith(('.h', '.cpp')):
            continue
        path = os.path.relpath(os.path.join(folder, name), top)
        text = open(os.path.join(top, path), encoding='utf-8').read()
        graph[path] = []
        for kind, target in include.findall(text):
            if kind == '<':
                if toolkit.match(target) and layer(path) != 4:
                    faults.append(f'{path}: toolkit header <{target}> outside client/ui')
                continue
            if target.startswith('client/'):
                graph[path].append(target)
                if layer(target) > layer(path):
                    faults.append(f'{path} ({names[layer(path)]}) includes {target} ({names[layer(target)]})')
            elif not target.startswith(('common/', 'libs/')):
                faults.append(f'{path}: include "{target}" does not name its path from the top of the tree')

# Include circles: a depth-first walk that meets a file on its own path.
state = {}
def visit(node, trail):
    state[node] = 'open'
    for nxt in graph.get(node, []):
        if state.get(nxt) == 'open':
            faults.append('include circle: ' + ' -> '.join(trail[trail.index(nxt):] + [nxt]))
        elif nxt not in state:
            visit(nxt, trail + [nxt])
    state[node] = 'done'
for node in sorted(graph):
    if node not in state:
        visit(node, [node])

# A static library has no link line of its own: the test binary of each
# toolkit-free layer links that library and all it brings along, and none
# of it may be the toolkit.
if build:
    ninja = open(os.path.join(build, 'build.ninja'), encoding='utf-8').read()
    for stem in ('session', 'interpreter', 'transcript'):
        m = re.search(r'^build ' + stem + r'_tests: .*\n((?:  .*\n)+)', ninja, re.M)
        if not m:
            faults.append(f'no link line for {stem}_tests in {build}/build.ninja')
        elif re.search(r'gtkmm|gtk-x11|glade', m.group(1)):
            faults.append(f'{stem}_tests links the toolkit through parlane_{stem}')

for fault in faults:
    print(fault)
if faults:
    sys.exit(1)
print(f'client layers: {len(graph)} files, includes point one way, no circle, the model links no toolkit')
PY
