#!/usr/bin/env python3
"""Checks the include graph of src/: the toolkit-free core never includes the
windows, no module includes one above it, and no two folders include each other.

A module is a root and a folder (core/roster, gui/view). Quoted includes are
resolved as the compiler does: from the file's own root first, then the core."""

import re
import sys
from pathlib import Path

# Lower modules first; a module may include only itself and those before it.
ORDER = [
    "core/platform",
    "core/roster",
    "core/settings",
    "core/interchange",
    "core/subtool",
    "core/history",
    "gui/platform",
    "gui/view",
    "gui/interchange",
    "gui/subtool",
    "gui/history",
    "gui/app",
]

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def module_of(path: Path, src: Path) -> str:
    root, folder = path.relative_to(src).parts[:2]
    return f"{root}/{folder}"


def resolve(name: str, own_root: str, src: Path):
    # The core's own include path stops at its root; looking into the windows
    # as well finds the include it must not have.
    for root in dict.fromkeys([own_root, "core", "gui"]):
        candidate = src / root / name
        if candidate.exists():
            return candidate
    return None


def main() -> int:
    src = Path(sys.argv[1] if len(sys.argv) > 1 else "src")
    rank = {m: i for i, m in enumerate(ORDER)}
    problems = []
    edges = set()
    for path in sorted(src.glob("*/*/*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        own = module_of(path, src)
        if own not in rank:
            problems.append(f"{path}: module {own} has no place in the order")
            continue
        for name in INCLUDE.findall(path.read_text(encoding="utf-8")):
            target = resolve(name, own.split("/")[0], src)
            if target is None:
                continue  # a generated file (moc) or a test's own
            other = module_of(target, src)
            if other == own:
                continue
            edges.add((own, other))
            if own.startswith("core/") and other.startswith("gui/"):
                problems.append(f"{path}: the core includes the windows ({name})")
            elif rank.get(other, -1) > rank[own]:
                problems.append(f"{path}: {own} includes {other}, a module above it ({name})")
    for a, b in sorted(edges):
        if (b, a) in edges and a < b:
            problems.append(f"{a} and {b} include each other")
    for p in problems:
        print(p)
    print(f"layers: {len(edges)} module edges, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
