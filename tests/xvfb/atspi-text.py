#!/usr/bin/env python3
"""Reads the manuscript on the accessibility bus as a screen reader does:
text typed into it through the bus comes back character for character (a
no-break space stays one), and each run tells its font, underline,
position and alignment, as the toolkit's bridge names them on the bus. The
bridge leaves out a normal weight and has no name for strikethrough, so
neither is asked for here. A paste over the bus, while a program that
never answers (or answers only which formats it has) owns the clipboard,
comes back within a second and leaves the text as it was.
Usage: atspi-text.py SILENT-OWNER"""
import subprocess
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


def manuscript(node):
    if node.getRoleName() == "text" and node.name == "文稿":
        return node
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        found = manuscript(child) if child is not None else None
        if found is not None:
            return found
    return None


app = application("bilan")
if app is None:
    sys.exit("FAIL: the editor is not on the accessibility bus")
area = manuscript(app)
if area is None:
    sys.exit("FAIL: no text area “文稿” on the bus")

typed = "电阻\u00a0R1\t10kΩ"
area.queryEditableText().insertText(0, typed, len(typed))
text = area.queryText()
failures = []
read = text.getText(0, -1)
if read != typed:
    failures.append(f"text read back as {read!r}, not {typed!r}")
attributes, start, end = text.getAttributeRun(1, False)
if (start, end) != (0, len(typed)):
    failures.append(f"run of offset 1 is {start}..{end}, not the whole text")
names = {pair.split(":", 1)[0] for pair in attributes}
for wanted in ("family-name", "size", "style", "underline", "vertical-align", "justification"):
    if wanted not in names:
        failures.append(f"no “{wanted}” among {sorted(attributes)}")
held_times = []
for mode in ([], ["--answers-formats"]):
    owner = subprocess.Popen([sys.argv[1], *mode], stdout=subprocess.PIPE, text=True)
    try:
        owner.stdout.readline()  # "ready": it owns the clipboard
        time.sleep(0.3)  # the program hears of the new owner
        started = time.monotonic()
        area.queryEditableText().pasteText(0)
        held = time.monotonic() - started
        held_times.append(f"{held:.2f} s")
    finally:
        owner.kill()
        owner.wait()
    if held > 1.0:
        failures.append(f"paste over the bus{' '.join([''] + mode)} held the program {held:.2f} s")
    if text.getText(0, -1) != typed:
        failures.append(f"paste over the bus{' '.join([''] + mode)} changed the text")
if failures:
    print("FAIL:", *failures, sep="\n  ")
    sys.exit(1)
print(f"PASS: the manuscript reads back {len(typed)} characters with {len(names)} attributes;"
      f" pastes over the bus with a silent owner took {', '.join(held_times)}")
