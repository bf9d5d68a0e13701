#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Black-box scenarios: the real editor on a virtual X display with a window manager, driven
by keyboard and window-manager actions, checked through files on disk and window titles.

Usage: scenarios.py PROGRAM SCENARIO [ARTIFACT_FOLDER]"""

import glob
import os
import shutil
import signal
import subprocess
import sys

from desktop import Desktop, ScenarioFailed, exits, wait_for

SKIP = 77
MAIN = r"Quillo Meridian"
QUIET_START = {"FirstTime": "No", "MaxNew": "True"}


def read(path):
    with open(path, "rb") as f:
        return f.read()


def no_foreign_titles(d):
    """Every title is the program's own: nothing appended by the toolkit."""
    for title in d.windows().values():
        if title.endswith("— Quillo Meridian") or title.endswith("- Quillo Meridian"):
            raise ScenarioFailed(f"window title with an appended name: {title!r}")


def save_as(d, path):
    """Answers the save dialog with `path`."""
    dialog = d.window_titled("Save")
    d.keys(dialog, "ctrl+a")
    d.type(dialog, path)
    d.keys(dialog, "Return")
    wait_for(lambda: os.path.exists(path), f"{path} to be written")


def first_start(d):
    program = d.start()
    main = d.window_titled(MAIN + r" - \[Document 1\]")  # the readme, maximised
    wait_for(lambda: d.settings().get("FirstTime") == "No", "FirstTime=No in the settings")
    no_foreign_titles(d)
    d.close(main)  # the readme is unchanged: no question
    if exits(program) != 0:
        raise ScenarioFailed("the program failed on exit")
    if d.settings().get("WindowState") != "2":
        raise ScenarioFailed(f"window state not stored: {d.settings()}")
    # The readme comes once only.
    d.start()
    d.window_titled(MAIN)


def save_reopen(d):
    d.write_settings(QUIET_START)
    program = d.start()
    main = d.window_titled(MAIN + r" - \[Document 1\]")
    d.type(main, "Hello\rsecond line")
    d.keys(main, "ctrl+s")
    path = os.path.join(d.home, "note.txt")
    save_as(d, path)
    d.window_titled(MAIN + r" - \[" + path + r"\]")
    saved = read(path)
    if saved.replace(b"\r\n", b"\n") != b"Hello\nsecond line":
        raise ScenarioFailed(f"saved {saved!r}")
    d.close(main)
    exits(program)

    d.start(path)
    main = d.window_titled(MAIN + r" - \[" + path + r"\]")
    d.keys(main, "ctrl+End")
    d.type(main, "!")
    d.keys(main, "ctrl+s")  # has a name: no dialog
    wait_for(lambda: read(path) == saved + b"!", f"{path} to hold the old bytes and the new one")


def close_cancel(d):
    d.write_settings(QUIET_START)
    program = d.start()
    main = d.window_titled(MAIN + r" - \[Document 1\]")
    d.type(main, "unsaved")
    d.close(main)
    box = d.window_titled(r"Save file\?")
    no_foreign_titles(d)
    d.keys(box, "Escape")  # Cancel
    d.gone(box)
    if program.poll() is not None:
        raise ScenarioFailed("the program ended after Cancel")
    # The second attempt must ask again, and No must end the program.
    d.close(main)
    box = d.window_titled(r"Save file\?")
    d.keys(box, "alt+n")
    if exits(program) != 0:
        raise ScenarioFailed("the program failed on exit")


def recovery_files_hold(d, marker):
    for path in glob.glob(os.path.join(d.data, "**", "recovery", "**"), recursive=True):
        if os.path.isfile(path):
            data = read(path)
            if marker.encode("utf-16-be") in data or marker.encode() in data:
                return True
    return False


def kill_restore(d):
    d.write_settings(QUIET_START)
    program = d.start()
    main = d.window_titled(MAIN + r" - \[Document 1\]")
    marker = "typed before the crash"
    d.type(main, marker)
    wait_for(lambda: recovery_files_hold(d, marker), "a recovery copy of the text")
    program.send_signal(signal.SIGKILL)
    program.wait()

    d.start()
    question = d.window_titled("Quillo")
    d.keys(question, "alt+y")
    main = d.window_titled(MAIN + r" - \[Document 1\]")
    d.keys(main, "ctrl+s")
    path = os.path.join(d.home, "restored.txt")
    save_as(d, path)
    wait_for(lambda: read(path) == marker.encode(), "the restored text in the saved file")


def preview(d):
    d.write_settings(QUIET_START)
    d.start()
    main = d.window_titled(MAIN + r" - \[Document 1\]")
    d.type(main, "<HTML><HEAD><TITLE>Preview 42</TITLE></HEAD><BODY>shown</BODY></HTML>")
    d.keys(main, "F11")
    # The browser window opens maximised like the document and takes the page's title.
    d.window_titled(MAIN + r" - \[Preview 42\]", timeout=60)

    def preview_file():
        roots = [d.runtime, d.cache, d.data, d.home, os.path.dirname(d.program)]
        for root in roots:
            for path in glob.glob(os.path.join(root, "**", "preview.html"), recursive=True):
                if b"<TITLE>Preview 42</TITLE>" in read(path):
                    return path
        return None
    wait_for(preview_file, "the preview file")
    d.screenshot("preview")


def placement(d):
    # A stored width far beyond the screen, a height that is no number, a position off it.
    d.write_settings({"FirstTime": "No", "WindowState": "0", "MainWidth": "300000",
                      "MainHeight": "tall", "MainLeft": "-50000", "MainTop": "90000"})
    d.start()
    main = d.window_titled(MAIN)
    screen_width, screen_height = d.screen_size
    def inside():
        left, top, width, height = d.outer_geometry(main)
        return (left >= 0 and top >= 0 and left + width <= screen_width
                and top + height <= screen_height and width > screen_width // 2)
    wait_for(inside, "the main window to fit the screen")


def options_by_keys(d):
    """The menus answer Alt and a letter while the text has the focus; OK stores the options."""
    d.write_settings(QUIET_START)
    d.start()
    main = d.window_titled(MAIN + r" - \[Document 1\]")
    d.type(main, "x")
    d.keys(main, "alt+v", "o")
    dialog = d.window_titled("Options")
    d.keys(dialog, "Return")
    wait_for(lambda: {"FontName", "DocBG", "MaxNew"} <= d.settings().keys(), "the options stored")


def open_file(d, name, text):
    """Starts the program on a new file `name` holding `text`; its path and main window."""
    path = os.path.join(d.home, name)
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
    d.write_settings(QUIET_START)
    d.start(path)
    return path, d.window_titled(MAIN + r" - \[" + path + r"\]")


def world_text(d):
    """Invisible format characters are typed; the word keys take an emoji whole."""
    path, main = open_file(d, "world.txt", "\u00e9\n")
    d.keys(main, "ctrl+End")
    d.type(main, "a\u200cb\u200dc\u200ed\u200fe\u00adf", delay=150)
    d.keys(main, "Return")
    d.type(main, "\U0001F600 x \U0001F600", delay=150)
    d.keys(main, "Home", "ctrl+Delete", "End", "ctrl+BackSpace", "ctrl+BackSpace")
    d.type(main, "e\u0301", delay=150)
    d.keys(main, "Home", "Right")
    d.type(main, "!")
    d.keys(main, "ctrl+s")
    expected = "\u00e9\na\u200cb\u200dc\u200ed\u200fe\u00adf\ne\u0301!".encode("utf-8")
    wait_for(lambda: read(path) == expected, f"{path} to hold the typed text")


def end_of_wrapped_row(d):
    """End on a row wrapped inside a long word goes past the row's last character: what is
    typed there lands where the next row starts."""
    path, main = open_file(d, "word.txt", "0123456789" * 100)
    d.keys(main, "ctrl+Home", "Down", "Home")
    d.type(main, "W")
    d.keys(main, "ctrl+Home", "End")
    d.type(main, "!")
    d.keys(main, "ctrl+s")
    wait_for(lambda: b"!W" in read(path), f"{path} to hold '!W' where the second row starts")


def right_to_left_arrows(d):
    """The arrow keys move the way they point in a Hebrew line: Right at its start (its right
    end) stays, Left moves into it."""
    path, main = open_file(d, "hebrew.txt", "\u05e9\u05dc\u05d5\u05dd\nabc")
    d.keys(main, "ctrl+Home", "Right", "Left", "Left")
    d.type(main, "X")
    d.keys(main, "ctrl+s")
    expected = "\u05e9\u05dcX\u05d5\u05dd\nabc".encode("utf-8")
    wait_for(lambda: read(path) == expected, f"{path} to hold X after two letters")


def screen_reader(d):
    """A screen reader reads the text, a word and a line, and hears typing, Undo and Redo."""
    client = [shutil.which("python3", path="/usr/bin") or "python3",
              os.path.join(os.path.dirname(os.path.abspath(__file__)), "atspi_client.py")]
    d.start_accessibility_bus()
    main = open_file(d, "two.txt", "hello\nworld")[1]
    read = subprocess.run(client + ["read", "8"], env=d.env, capture_output=True, text=True,
                          timeout=60)
    if read.stdout != "'hello\\nworld'\n'world' 6 11\n'world' 6 11\n":
        raise ScenarioFailed(f"read {read.stdout!r} {read.stderr[-300:]!r}")
    listener = subprocess.Popen(client + ["listen", "8"], env=d.env, stdout=subprocess.PIPE,
                                text=True)
    listener.stdout.readline()  # listening
    d.keys(main, "ctrl+End")
    d.type(main, "x")
    d.keys(main, "ctrl+z", "ctrl+shift+z")
    heard = listener.communicate(timeout=60)[0].splitlines()
    if heard != ["object:text-changed:insert 11 'x'", "object:text-changed:delete 11 'x'",
                 "object:text-changed:insert 11 'x'"]:
        raise ScenarioFailed(f"heard {heard}")


SCENARIOS = {f.__name__: f for f in
             (first_start, save_reopen, close_cancel, kill_restore, preview, placement,
              options_by_keys, world_text, end_of_wrapped_row, right_to_left_arrows,
              screen_reader)}


def main():
    program, name = sys.argv[1], sys.argv[2]
    artifacts = os.path.join(sys.argv[3], name) if len(sys.argv) > 3 else None
    missing = [tool for tool in ("Xvfb", "openbox", "xdotool", "xprop", "xwininfo")
               if shutil.which(tool) is None]
    if missing:
        print("skipped: missing " + ", ".join(missing))
        return SKIP
    try:
        with Desktop(program, artifacts) as desktop:
            SCENARIOS[name](desktop)
    except ScenarioFailed as failure:
        print(f"{name}: {failure}")
        return 1
    print(f"{name}: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
