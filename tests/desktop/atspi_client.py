#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A screen reader's view of the editor through the AT-SPI client library (python3-pyatspi):
`read OFFSET` prints the text and the word and line at OFFSET; `listen SECONDS` prints the
editor's text-changed events of SECONDS (not those of the dialogs' boxes)."""
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402


def editor_text():
    for _ in range(100):
        desktop = Atspi.get_desktop(0)
        stack = [desktop.get_child_at_index(i) for i in range(desktop.get_child_count())]
        stack = [app for app in stack if app is not None and app.get_name() == "Quillo"]
        while stack:
            node = stack.pop()
            if node.get_role() == Atspi.Role.TEXT:
                return node
            stack += [node.get_child_at_index(k) for k in range(node.get_child_count())]
        time.sleep(0.1)
    sys.exit("no text object")


text = editor_text()
if sys.argv[1] == "read":
    print(repr(Atspi.Text.get_text(text, 0, Atspi.Text.get_character_count(text))))
    for kind in (Atspi.TextBoundaryType.WORD_START, Atspi.TextBoundaryType.LINE_START):
        found = Atspi.Text.get_text_at_offset(text, int(sys.argv[2]), kind)
        print(repr(found.content), found.start_offset, found.end_offset)
else:
    def heard(e):
        if e.source == text:
            print(e.type, e.detail1, repr(e.any_data), flush=True)
    listener = Atspi.EventListener.new(heard)
    listener.register("object:text-changed")
    print("listening", flush=True)
    loop = GLib.MainLoop()
    GLib.timeout_add_seconds(int(sys.argv[2]), loop.quit)
    loop.run()
