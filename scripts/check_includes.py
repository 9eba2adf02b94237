#!/usr/bin/python3
"""Fails when the product's dependencies run in a circle.

Three graphs are checked, each must be free of cycles:
  modules  a header and the .cpp of the same name are one node; an edge is
           a quoted #include of another module's header
  layers   the same edges between the top folders (app, drawing, ...), and
           celkit's libraries (celkit/font, celkit/picture) beside its program
  rooms    the same edges between the rooms of platform/native
  objects  (with --objects DIR...) an edge from an object file to the
           object file that defines a symbol it uses, read with nm: the
           calls between files, which a shared header hides

A cycle known and still to be undone can be let through with --allow
naming every node of it (comma-separated); an allowed cycle that is gone
is reported so that it can leave the list.
"""
import argparse
import glob
import os
import re
import subprocess
import sys

PRODUCT_FOLDERS = ["app", "drawing", "file", "image", "platform", "runtime", "celkit"]
# celkit's libraries are layers of their own beside its program.
SUBLAYERS = ["celkit/font/", "celkit/picture/"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def module_of(path):
    return os.path.splitext(path)[0]


def layer_of(module):
    for sublayer in SUBLAYERS:
        if module.startswith(sublayer):
            return sublayer.rstrip("/")
    return module.split("/")[0]


# The native layer's doors beside its rooms: each declares one room's calls.
DOORS = {"types": "kernel", "kernel": "kernel", "process_entry": "kernel",
         "gdi": "gdi", "user": "user"}


def room_of(module):
    """The room of a native module, or None outside the layer."""
    if not module.startswith("platform/native/"):
        return None
    folder, name = os.path.split(module)
    if folder == "platform/native":
        room = DOORS.get(name)
        return None if room is None else folder + "/" + room
    return folder


def include_graph(root):
    graph = {}
    for folder in PRODUCT_FOLDERS:
        for path in glob.glob(os.path.join(root, folder, "**", "*.*"), recursive=True):
            if not path.endswith((".h", ".cpp")):
                continue
            relative = os.path.relpath(path, root)
            node = module_of(relative)
            edges = graph.setdefault(node, set())
            with open(path, encoding="utf-8", errors="replace") as source:
                for included in INCLUDE.findall(source.read()):
                    target = module_of(included)
                    if target != node and os.path.exists(os.path.join(root, included)):
                        edges.add(target)
    for edges in list(graph.values()):
        for target in edges:
            graph.setdefault(target, set())
    return graph


def grouped_graph(modules, group_of):
    graph = {}
    for node, edges in modules.items():
        group = group_of(node)
        if group is None:
            continue
        mine = graph.setdefault(group, set())
        for target in edges:
            other = group_of(target)
            if other is None:
                continue
            graph.setdefault(other, set())
            if other != group:
                mine.add(other)
    return graph


def symbols(obj, *flags):
    out = subprocess.run(["nm", "-C", *flags, obj], capture_output=True, text=True, check=True)
    return out.stdout.splitlines()


def object_graph(directories):
    objects = sorted(o for d in directories for o in glob.glob(os.path.join(d, "**", "*.o"), recursive=True))
    defined, used = {}, {}
    for obj in objects:
        for line in symbols(obj, "--defined-only", "-g"):
            parts = line.split(" ", 2)
            if len(parts) == 3 and parts[1] in "TDBRWV":
                defined.setdefault(parts[2], obj)
        used[obj] = {line.strip()[2:].strip() for line in symbols(obj, "-u")}

    def stem(obj):
        # build/x/runtime/CMakeFiles/celpack_runtime.dir/heaps.cpp.o -> runtime/heaps
        parts = os.path.normpath(obj).split(os.sep)
        cut = parts.index("CMakeFiles")
        source = "/".join(parts[cut + 2:])
        return parts[cut - 1] + "/" + source.split(".")[0]

    graph = {stem(o): set() for o in objects}
    for obj in objects:
        for symbol in used[obj]:
            owner = defined.get(symbol)
            if owner is not None and owner != obj:
                graph[stem(obj)].add(stem(owner))
    return graph


def cycles(graph):
    """Strongly connected components of more than one node (Tarjan)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []
    counter = [0]

    def visit(node):
        index[node] = low[node] = counter[0]
        counter[0] += 1
        stack.append(node)
        on_stack.add(node)
        for target in sorted(graph[node]):
            if target not in index:
                visit(target)
                low[node] = min(low[node], low[target])
            elif target in on_stack:
                low[node] = min(low[node], index[target])
        if low[node] == index[node]:
            component = []
            while True:
                member = stack.pop()
                on_stack.discard(member)
                component.append(member)
                if member == node:
                    break
            if len(component) > 1:
                found.append(sorted(component))

    sys.setrecursionlimit(10000)
    for node in sorted(graph):
        if node not in index:
            visit(node)
    return found


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", default=os.path.join(os.path.dirname(__file__), ".."))
    parser.add_argument("--objects", nargs="*", default=[])
    parser.add_argument("--allow", action="append", default=[])
    arguments = parser.parse_args()

    modules = include_graph(os.path.abspath(arguments.root))
    graphs = [
        ("modules", modules),
        ("layers", grouped_graph(modules, layer_of)),
        ("rooms", grouped_graph(modules, room_of)),
    ]
    if arguments.objects:
        graphs.append(("objects", object_graph(arguments.objects)))

    allowed = [sorted(group.split(",")) for group in arguments.allow]
    seen = []
    failed = False
    for name, graph in graphs:
        for cycle in cycles(graph):
            if cycle in allowed:
                seen.append(cycle)
                print(f"{name}: known cycle, still to undo: {' <-> '.join(cycle)}")
                continue
            print(f"{name}: cycle: {' <-> '.join(cycle)}")
            failed = True
        print(f"{name}: {len(graph)} nodes checked")
    for group in (group for group in allowed if group not in seen):
        print(f"note: allowed cycle is gone, drop it from the list: {','.join(group)}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
