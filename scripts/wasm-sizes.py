#!/usr/bin/env python3
"""Where a linked WebAssembly file's bytes are: code per function and per library.

usage: wasm-sizes.py WASM [ARCHIVE.a ...] [--by-object] [--top N] [--group NAME] [--data]

WASM must keep its function names (link with --profiling-funcs, which leaves the code as it
is). Prints the size of each section, then the code bytes per group, largest first: a function
belongs to the first archive (given in link order) that defines a symbol of its name (read with
emnm, demangled); what no archive defines is grouped by its name (libc++, the C++ ABI, Asyncify's
runtime, the rest of emscripten's C library); --by-object groups by archive member (library:file.o). --top lists the N largest functions (of one
--group if given). --data lists the archives' data objects by size (emnm -S: what the objects
define, an upper bound on what the link keeps) and prints the data segments' sizes.
Needs only Python's standard library and emnm (for archives). Fails with a message naming the
file when it is not WebAssembly or has no name section.
"""

import argparse
import collections
import os
import re
import subprocess
import sys


def leb(data, pos):
    value = shift = 0
    while True:
        byte = data[pos]
        pos += 1
        value |= (byte & 0x7F) << shift
        shift += 7
        if byte < 0x80:
            return value, pos


def name_of(data, pos):
    size, pos = leb(data, pos)
    return data[pos : pos + size].decode("utf-8", "replace"), pos + size


SECTIONS = {1: "type", 2: "import", 3: "function", 4: "table", 5: "memory", 6: "global",
            7: "export", 8: "start", 9: "element", 10: "code", 11: "data", 12: "data count"}


class Module:
    """The sections, the code bodies' sizes by function index and the function names."""

    def __init__(self, path):
        try:
            data = open(path, "rb").read()
        except OSError as e:
            sys.exit(f"wasm-sizes: {path}: {e.strerror}")
        if data[:4] != b"\0asm":
            sys.exit(f"wasm-sizes: {path} is not a WebAssembly file")
        try:
            self._read(data)
        except (IndexError, UnicodeDecodeError, ValueError):
            sys.exit(f"wasm-sizes: {path} is cut short or malformed")
        if not self.names:
            sys.exit(f"wasm-sizes: {path} has no function names (link with --profiling-funcs)")

    def _read(self, data):
        self.sections = []  # (name, size)
        self.imported = 0
        self.bodies = {}  # function index -> body size
        self.names = {}
        self.segments = []  # data segment sizes
        pos = 8
        while pos < len(data):
            sid = data[pos]
            size, pos = leb(data, pos + 1)
            end = pos + size
            if end > len(data):
                raise ValueError("a section runs past the end of the file")
            if sid == 0:
                custom, body = name_of(data, pos)
                self.sections.append((f"custom {custom}", size))
                if custom == "name":
                    self._names(data, body, end)
            else:
                self.sections.append((SECTIONS.get(sid, str(sid)), size))
            if sid == 2:
                self._imports(data, pos)
            elif sid == 10:
                count, p = leb(data, pos)
                for i in range(count):
                    body, q = leb(data, p)
                    self.bodies[self.imported + i] = body + (q - p)
                    p = q + body
            elif sid == 11:
                self._data(data, pos)
            pos = end

    def _imports(self, data, pos):
        count, pos = leb(data, pos)
        for _ in range(count):
            _, pos = name_of(data, pos)
            _, pos = name_of(data, pos)
            kind = data[pos]
            pos += 1
            if kind == 0:  # function: type index
                _, pos = leb(data, pos)
                self.imported += 1
            elif kind == 1:  # table: element type, limits
                pos = self._limits(data, pos + 1)
            elif kind == 2:  # memory: limits
                pos = self._limits(data, pos)
            else:  # global: value type, mutability
                pos += 2

    @staticmethod
    def _limits(data, pos):
        flags = data[pos]
        _, pos = leb(data, pos + 1)
        if flags & 1:
            _, pos = leb(data, pos)
        return pos

    def _names(self, data, pos, end):
        while pos < end:
            sub = data[pos]
            size, pos = leb(data, pos + 1)
            if sub == 1:
                count, p = leb(data, pos)
                for _ in range(count):
                    index, p = leb(data, p)
                    self.names[index], p = name_of(data, p)
            pos += size

    def _data(self, data, pos):
        count, pos = leb(data, pos)
        for _ in range(count):
            flags, pos = leb(data, pos)
            if flags == 2:
                _, pos = leb(data, pos)
            if flags in (0, 2):  # active: an offset expression ending in 0x0b
                while data[pos] != 0x0B:
                    pos += 1
                pos += 1
            size, pos = leb(data, pos)
            self.segments.append(size)
            pos += size


def archive_symbols(path, defined_kinds="TtWw"):
    """{demangled name: archive member} of the functions an archive defines (emnm)."""
    out = subprocess.run(["emnm", "-C", "--defined-only", path], capture_output=True, text=True)
    if out.returncode:
        sys.exit(f"wasm-sizes: emnm cannot read {path}: {out.stderr.strip()}")
    names = {}
    member = "?"
    for line in out.stdout.splitlines():
        if line.endswith(":") and " " not in line:
            member = line[:-1]
            continue
        parts = line.split(" ", 2)
        if len(parts) == 3 and parts[1] in defined_kinds:
            names.setdefault(parts[2], member)
    return names


def archive_data(path):
    """(size, name) of each data object an archive defines (emnm -S)."""
    out = subprocess.run(["emnm", "-C", "-S", "--defined-only", path], capture_output=True, text=True)
    found = []
    for line in out.stdout.splitlines():
        parts = line.split(" ", 3)
        if len(parts) == 4 and parts[2] in "DdRrBb" and not parts[3].startswith(".L"):
            found.append((int(parts[1], 16), parts[3]))
    return found


def fallback_group(name):
    if "asyncify" in name.lower():
        return "(asyncify runtime)"
    if name.startswith(("dynCall_", "invoke_", "legalstub$", "legalfunc$", "byn$")):
        return "(emscripten glue)"
    if name.startswith("__cxxabiv1::") or name.startswith("__cxa") or "typeinfo" in name:
        return "(C++ ABI)"
    if "std::" in name:
        return "(libc++)"
    return "(libc and runtime)"


def library_name(path):
    base = os.path.basename(path)
    return re.sub(r"\.a$", "", re.sub(r"^lib", "", base))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("wasm")
    parser.add_argument("archives", nargs="*")
    parser.add_argument("--top", type=int, default=0)
    parser.add_argument("--group")
    parser.add_argument("--data", action="store_true")
    parser.add_argument("--by-object", action="store_true", help="group by archive member")
    args = parser.parse_args()
    module = Module(args.wasm)

    total = sum(size for _, size in module.sections) + 8
    print(f"{'section':<24} {'bytes':>10}")
    for name, size in sorted(module.sections, key=lambda s: -s[1]):
        print(f"{name:<24} {size:>10}")
    print(f"{'file':<24} {total:>10}\n")

    owners = {}
    for path in args.archives:
        lib = library_name(path)
        for symbol, member in archive_symbols(path).items():
            owners.setdefault(symbol, f"{lib}:{member}" if args.by_object else lib)
    groups = collections.Counter()
    counts = collections.Counter()
    rows = []
    for index, size in module.bodies.items():
        name = module.names.get(index, f"<function {index}>")
        base = re.sub(r"\.\d+$", "", name)
        group = owners.get(name) or owners.get(base) or fallback_group(base)
        groups[group] += size
        counts[group] += 1
        rows.append((size, group, name))
    code = sum(groups.values())
    print(f"{'code by group':<32} {'bytes':>10} {'share':>6} {'functions':>9}")
    for group, size in groups.most_common():
        print(f"{group:<32} {size:>10} {100 * size / code:5.1f}% {counts[group]:>9}")
    print(f"{'all code':<32} {code:>10}")

    if args.top:
        print(f"\nlargest functions{' of ' + args.group if args.group else ''}:")
        chosen = [r for r in rows if not args.group or r[1] == args.group]
        for size, group, name in sorted(chosen, reverse=True)[: args.top]:
            print(f"{size:>8} {group:<20} {name[:140]}")

    if args.data:
        print(f"\ndata segments: {len(module.segments)}, {sum(module.segments)} bytes")
        objects = []
        for path in args.archives:
            objects += [(size, library_name(path), name) for size, name in archive_data(path)]
        by_lib = collections.Counter()
        for size, lib, _ in objects:
            by_lib[lib] += size
        print("data objects the archives define (upper bound), by library:")
        for lib, size in by_lib.most_common():
            print(f"{size:>10} {lib}")
        print("largest data objects:")
        for size, lib, name in sorted(objects, reverse=True)[: max(args.top, 30)]:
            print(f"{size:>8} {lib:<20} {name[:100]}")


if __name__ == "__main__":
    main()
