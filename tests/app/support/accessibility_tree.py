#!/usr/bin/env python3
"""An application's accessibility tree as a screen reader reaches it over AT-SPI.

    accessibility_tree.py APPLICATION              prints the tree of what shows, as JSON
    accessibility_tree.py APPLICATION --press NAME presses the first showing object so named

A node is {"role", "name", "children"} and, for what has a place on the screen, "extents" (x, y,
width, height in screen pixels); only objects that show are listed. Exits with 1 when the
application is not on the accessibility bus, or nothing showing has the name to press; with 2 when
the bus cannot be reached. The session bus is the one DBUS_SESSION_BUS_ADDRESS names.
"""

import json
import sys

try:
    import pyatspi
except Exception as error:  # no bus, or no bindings: nothing to read
    print(f"no accessibility bus: {error}", file=sys.stderr)
    sys.exit(2)

# Deeper than any window of the application nests its controls.
MOST_LEVELS = 40


def shows(accessible):
    try:
        return accessible.getState().contains(pyatspi.STATE_SHOWING)
    except Exception:
        return False


def node(accessible, level=0):
    children = []
    if level < MOST_LEVELS:
        for index in range(accessible.childCount):
            child = accessible.getChildAtIndex(index)
            if child is not None and shows(child):
                children.append(node(child, level + 1))
    shown = {"role": accessible.getRoleName(), "name": accessible.name or "", "children": children}
    try:
        extents = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        shown["extents"] = [extents.x, extents.y, extents.width, extents.height]
    except NotImplementedError:  # the application object has no place on the screen
        pass
    return shown


def application(name):
    desktop = pyatspi.Registry.getDesktop(0)
    for index in range(desktop.childCount):
        candidate = desktop.getChildAtIndex(index)
        if candidate is not None and candidate.name == name:
            return candidate
    return None


def find(accessible, name, level=0):
    if accessible.name == name and shows(accessible):
        return accessible
    if level >= MOST_LEVELS:
        return None
    for index in range(accessible.childCount):
        child = accessible.getChildAtIndex(index)
        if child is not None and (child.getRoleName() == "application" or shows(child)):
            found = find(child, name, level + 1)
            if found is not None:
                return found
    return None


def main(arguments):
    if len(arguments) not in (1, 3) or (len(arguments) == 3 and arguments[1] != "--press"):
        print(__doc__, file=sys.stderr)
        return 2
    try:
        app = application(arguments[0])
    except Exception as error:
        print(f"no accessibility bus: {error}", file=sys.stderr)
        return 2
    if app is None:
        print(f"{arguments[0]} is not on the accessibility bus", file=sys.stderr)
        return 1
    if len(arguments) == 1:
        print(json.dumps(node(app)))
        return 0
    target = find(app, arguments[2])
    if target is None:
        print(f"nothing showing is named {arguments[2]}", file=sys.stderr)
        return 1
    target.queryAction().doAction(0)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
