#!/usr/bin/python3
"""Reads a running program through AT-SPI as a screen reader would.

Prints every shown control with its role and name, then the roster grid cell by
cell in each view (switched with the view buttons' own action). Exits 1 when a
control has no name or a grid cell cannot be read. Run by tools/a11y-check.sh.
"""
import sys
import time

import pyatspi

# Roles of what a person works; each must have a name. Labels are read, not worked:
# an empty one (the best-time strip before it shows anything) reads as nothing.
CONTROLS = {"push button", "toggle button", "check box", "text", "combo box", "list", "table",
            "progress bar", "menu", "menu item", "page tab"}


def find_app(name, seconds=30):
    end = time.time() + seconds
    while time.time() < end:
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == name:
                return app
        time.sleep(0.5)
    sys.exit(f"no application {name!r} on the accessibility bus")


def showing(acc):
    return acc.getState().contains(pyatspi.STATE_SHOWING)


def walk(acc, depth, found):
    """Prints the shown tree; returns the unnamed controls and the tables in found."""
    for child in acc:
        if child is None or not showing(child):
            continue
        role = child.getRoleName()
        line = f"{'  ' * depth}{role}: {child.name!r}"
        if child.description:
            line += f" ({child.description})"
        print(line)
        if role in CONTROLS and not child.name:
            found["unnamed"].append(f"{role} under {acc.name!r}")
        if role == "table":
            found["tables"].append(child)
            continue  # its cells are read below
        walk(child, depth + 1, found)


def read_table(table_acc):
    table = table_acc.queryTable()
    rows, cols = table.nRows, table.nColumns
    heads = [table.getColumnHeader(c) for c in range(cols)]
    corner = table_acc.getChildAtIndex(0)
    lines = [[corner.name if corner else "?"] + [h.name if h else "?" for h in heads]]
    missing = 0
    for r in range(rows):
        row_head = table.getRowHeader(r)
        line = [row_head.name if row_head else "?"]
        for c in range(cols):
            cell = table.getAccessibleAt(r, c)
            if cell is None:
                missing += 1
                line.append("?")
            else:
                line.append(cell.name)
        lines.append(line)
    print(f"table {table_acc.name!r} ({table_acc.description}): {rows} rows x {cols} columns")
    for line in lines:
        print("  | " + " | ".join(line))
    return missing


def press(app, name):
    def match(acc):
        return acc.getRoleName() in ("push button", "toggle button", "check box") and acc.name == name
    button = pyatspi.findDescendant(app, match)
    if button is None:
        sys.exit(f"no button {name!r}")
    # The button's own first action, as a screen reader's "activate" does.
    button.queryAction().doAction(0)
    time.sleep(1.0)


def main():
    app = find_app(sys.argv[1] if len(sys.argv) > 1 else "qvrutl")
    time.sleep(2.0)  # let the windows settle
    found = {"unnamed": [], "tables": []}
    print(f"application {app.name!r}")
    walk(app, 1, found)
    missing = 0
    for view in ("State", "EP1", "EP2"):
        press(app, view)
        for table in found["tables"]:
            missing += read_table(table)
        for label in pyatspi.findAllDescendants(app, lambda a: a.getRoleName() == "label" and showing(a)):
            print(f"label: {label.name!r}")
    if found["unnamed"]:
        print("controls without a name:")
        for what in found["unnamed"]:
            print("  " + what)
    if missing:
        print(f"{missing} grid cells could not be read")
    print(f"{len(found['unnamed'])} unnamed controls, {missing} unreadable cells")
    return 1 if found["unnamed"] or missing else 0


if __name__ == "__main__":
    sys.exit(main())
