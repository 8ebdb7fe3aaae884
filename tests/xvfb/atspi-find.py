#!/usr/bin/env python3
"""Looks for the editor's controls on the accessibility bus, as a screen
reader would: by role and name, with the tooltip as the description.
Usage: atspi-find.py EXPECTATIONS-FILE
Each line of the file: role<TAB>name<TAB>description (may be empty)."""
import sys
import time

import pyatspi


def application(name):
    for _ in range(200):
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == name:
                return app
        time.sleep(0.1)
    return None


def everything(node, found):
    try:
        found.setdefault((node.getRoleName(), node.name), set()).add(node.description)
        children = [node.getChildAtIndex(i) for i in range(node.childCount)]
    except Exception:  # a node that went away while we looked
        return
    for child in children:
        if child is not None:
            everything(child, found)


app = application("bilan")
if app is None:
    sys.exit("FAIL: the editor is not on the accessibility bus")
found = {}
everything(app, found)
missing = []
with open(sys.argv[1], encoding="utf-8") as expectations:
    for line in expectations:
        if not line.strip() or line.startswith("#"):
            continue
        role, name, description = (line.rstrip("\n").split("\t") + ["", ""])[:3]
        descriptions = found.get((role, name))
        if descriptions is None or (description and description not in descriptions):
            missing.append(f"{role} “{name}” {description}".strip())
if missing:
    print("FAIL: not found on the bus:", *missing, sep="\n  ")
    sys.exit(1)
print(f"PASS: {len(found)} accessible objects, every expected one among them")
