#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Black-box scenarios: the real editor on a virtual X display with a window manager, driven
by keyboard and window-manager actions, checked through files on disk and window titles.

Usage: scenarios.py PROGRAM SCENARIO [ARTIFACT_FOLDER]"""

import glob
import os
import re
import shutil
import signal
import sys
import time

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


def save_without_extension(d):
    """Ctrl+S on a file whose name has no three-letter extension asks for a name, in the file's
    own folder with its name filled in: Enter and Yes to the replace question save it there."""
    d.write_settings(QUIET_START)
    path = os.path.join(d.home, "README")
    with open(path, "wb") as f:
        f.write(b"old")
    d.start(path)
    main = d.window_titled(MAIN + r" - \[" + re.escape(path) + r"\]")
    d.type(main, "new ")
    d.keys(main, "ctrl+s")
    dialog = d.window_titled("Save")
    d.keys(dialog, "Return")
    question = wait_for(lambda: next((w for w, t in d.windows().items()
                                      if t == "Save" and w != dialog), None),
                        "the question whether to replace the file")
    d.keys(question, "alt+y")
    wait_for(lambda: read(path) == b"new old", "the file saved under its own name")
    files = [n for n in os.listdir(d.home) if not n.startswith(".") or n.startswith(".qm-")]
    if files != ["README"]:
        raise ScenarioFailed(f"other files in the folder: {files}")


def name_not_utf8(d):
    """A file whose name is not UTF-8 opens from the command line and Ctrl+S saves it back
    under the same name."""
    d.write_settings(QUIET_START)
    home = os.fsencode(d.home)
    path = os.path.join(home, b"caf\xe9 \xff.txt")  # Latin-1, as older systems named files
    with open(path, "wb") as f:
        f.write(b"text")
    d.start(path)
    main = d.window_titled(MAIN + r" - \[.*caf.*\.txt\]")
    d.type(main, "more ")
    d.keys(main, "ctrl+s")  # a name with an extension: written at once
    wait_for(lambda: read(path) == b"more text", "the file saved under its own name")
    names = [n for n in os.listdir(home) if not n.startswith(b".") or n.startswith(b".qm-")]
    if names != [b"caf\xe9 \xff.txt"]:
        raise ScenarioFailed(f"files in the folder: {names}")


def settings_junk(d):
    """A settings file of 100 MB of junk keys is set aside with a message at once, and the
    program starts with the default settings."""
    folder = os.path.join(d.config, "Quillo")
    os.makedirs(folder)
    store = os.path.join(folder, "Quillo.conf")
    with open(store, "wb") as f:
        f.write(b"[Settings]\n" + b"".join(b"junk%d=%d\n" % (i, i) for i in range(100000)))
        f.truncate(100 * 1024 * 1024)
    d.start()
    box = d.window_titled("Quillo", timeout=10)
    d.keys(box, "Return")
    d.window_titled(MAIN + r" - \[Document 1\]")
    aside = glob.glob(store + ".unusable-*")
    if len(aside) != 1 or os.path.getsize(aside[0]) != 100 * 1024 * 1024:
        raise ScenarioFailed(f"the junk store not set aside whole: {aside}")
    wait_for(lambda: d.settings().get("Version"), "a new store")


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


def kill(program):
    program.send_signal(signal.SIGKILL)
    program.wait()


def restart_and_restore(d, title):
    """Starts the program after a kill and answers Yes to the offer of the unsaved texts."""
    program = d.start()
    d.keys(d.window_titled("Quillo"), "alt+y")
    return program, d.window_titled(title)


def kill_restore(d):
    d.write_settings(QUIET_START)
    program = d.start()
    main = d.window_titled(MAIN + r" - \[Document 1\]")
    marker = "typed before the crash"
    d.type(main, marker)
    wait_for(lambda: recovery_files_hold(d, marker), "a recovery copy of the text")
    kill(program)

    # Killed again right after the restore: the text is offered once more.
    program, main = restart_and_restore(d, MAIN + r" - \[Document 1\]")
    kill(program)
    program, main = restart_and_restore(d, MAIN + r" - \[Document 1\]")
    d.keys(main, "ctrl+s")
    path = os.path.join(d.home, "restored.txt")
    save_as(d, path)
    wait_for(lambda: read(path) == marker.encode(), "the restored text in the saved file")


LETTER = (rb"{\rtf1\ansi\deff0{\fonttbl{\f0\fswiss Arial;}{\f1\froman Times;}}"
          rb"{\colortbl;\red255\green0\blue0;}"
          rb"\pard\f0\fs24 Plain {\b bold} {\cf1 red} {\f1\fs40 big}\par}")


def kill_restore_rtf(d):
    """A formatted document killed with unsaved changes comes back formatted, and Ctrl+S writes
    it as RTF with its fonts, size, bold and colour."""
    d.write_settings(QUIET_START)
    path = os.path.join(d.home, "letter.rtf")
    with open(path, "wb") as f:
        f.write(LETTER)
    program = d.start(path)
    title = MAIN + r" - \[" + re.escape(path) + r"\]"
    main = d.window_titled(title)
    d.keys(main, "ctrl+Home")
    d.type(main, "Added ")
    wait_for(lambda: recovery_files_hold(d, "Added"), "a recovery copy of the text")
    kill(program)

    program, main = restart_and_restore(d, title)
    d.screenshot("restored")
    d.keys(main, "ctrl+s")  # a name with an extension: written at once, as RTF
    wait_for(lambda: b"Added" in read(path), "the restored document saved")
    saved = read(path)
    for part in (rb"\b", rb"\fs40", rb"\red255\green0\blue0", b"Times", b"Arial"):
        if part not in saved:
            raise ScenarioFailed(f"{part!r} missing from the saved file: {saved!r}")


def survives(program, seconds):
    """Fails as soon as the program ends within `seconds`."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if program.poll() is not None:
            raise ScenarioFailed(f"the program ended with status {program.returncode}")
        time.sleep(0.1)


def file_size_limit(d):
    """Under `ulimit -f` the recovery copy and the save of a large file fail and are reported;
    the editor stays, the file stays whole and no temporary file is left."""
    d.write_settings(QUIET_START)
    path = os.path.join(d.home, "large.txt")
    content = b"a line of text that is long enough to count\n" * 5000  # 225 kB
    with open(path, "wb") as f:
        f.write(content)
    program = d.start(path, file_size_limit=100)  # 50 or 100 kB
    main = d.window_titled(MAIN + r" - \[" + re.escape(path) + r"\]")
    d.keys(main, "ctrl+End")
    d.type(main, "!")
    survives(program, 5)  # the recovery copy is due 3 s after the change
    d.keys(main, "ctrl+s")
    box = d.window_titled("Quillo")
    d.screenshot("file_size_limit")
    d.keys(box, "Return")
    d.gone(box)
    if read(path) != content:
        raise ScenarioFailed("the file changed")
    left = [name for name in os.listdir(d.home) if name.startswith(".qm-")]
    left += glob.glob(os.path.join(d.data, "**", ".qm-*"), recursive=True)
    if left:
        raise ScenarioFailed(f"temporary files left: {left}")


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


SCENARIOS = {f.__name__: f for f in
             (first_start, save_reopen, close_cancel, kill_restore, preview, placement,
              options_by_keys, file_size_limit, kill_restore_rtf,
              save_without_extension, name_not_utf8, settings_junk)}


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
