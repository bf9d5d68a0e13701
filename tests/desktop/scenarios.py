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
import subprocess
import sys
import time

from desktop import Desktop, ScenarioFailed, WebServer, exits, fail_if, wait_for

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


def titled(path):
    """The main window's title pattern while `path` is the active document."""
    return MAIN + r" - \[" + re.escape(path) + r"\]"


DOC1 = MAIN + r" - \[Document 1\]"


def quiet_start(d, *arguments, title=DOC1, **options):
    """Starts the program past its first-run readme; returns the main window."""
    d.write_settings(QUIET_START)
    d.start(*arguments, **options)
    return d.window_titled(title)


def open_file(d, name, content, title=None, **options):
    """Starts the program on a new file `name` holding `content` (text as UTF-8, or bytes);
    its path and main window."""
    path = os.path.join(d.home, name) if isinstance(name, str) else name
    with open(path, "wb") as f:
        f.write(content.encode("utf-8") if isinstance(content, str) else content)
    return path, quiet_start(d, path, title=title or titled(path), **options)


def save_expecting(d, main, path, expected):
    """Ctrl+S on a named document; waits for `path` to hold `expected`."""
    d.keys(main, "ctrl+s")
    wait_for(lambda: read(path) == expected, f"{path!r} to hold {expected[:40]!r}")


def files_in(folder):
    """The names in `folder`, leaving out hidden ones except the program's temporary files."""
    return [n for n in os.listdir(os.fsencode(folder))
            if not n.startswith(b".") or n.startswith(b".qm-")]


def save_as(d, path):
    """Answers the save dialog with `path`."""
    dialog = d.window_titled("Save")
    d.keys(dialog, "ctrl+a")
    d.type(dialog, path)
    d.keys(dialog, "Return")
    wait_for(lambda: os.path.exists(path), f"{path} to be written")


def first_start(d):
    program = d.start()
    main = d.window_titled(DOC1)  # the readme, maximised
    wait_for(lambda: d.settings().get("FirstTime") == "No", "FirstTime=No in the settings")
    no_foreign_titles(d)
    d.close(main)  # the readme is unchanged: no question
    fail_if(exits(program) != 0, "the program failed on exit")
    fail_if(d.settings().get("WindowState") != "2", f"window state not stored: {d.settings()}")
    # The readme comes once only.
    d.start()
    d.window_titled(MAIN)


def save_reopen(d):
    main = quiet_start(d)
    d.type(main, "Hello\rsecond line")
    d.keys(main, "ctrl+s")
    path = os.path.join(d.home, "note.txt")
    save_as(d, path)
    d.window_titled(titled(path))
    saved = read(path)
    fail_if(saved.replace(b"\r\n", b"\n") != b"Hello\nsecond line", f"saved {saved!r}")
    d.close(main)
    exits(d.processes[-1])

    d.start(path)
    main = d.window_titled(titled(path))
    d.keys(main, "ctrl+End")
    d.type(main, "!")
    save_expecting(d, main, path, saved + b"!")  # has a name: no dialog


def save_without_extension(d):
    """Ctrl+S on a file whose name has no three-letter extension asks for a name, in the file's
    own folder with its name filled in: Enter and Yes to the replace question save it there."""
    path, main = open_file(d, "README", b"old")
    d.type(main, "new ")
    d.keys(main, "ctrl+s")
    dialog = d.window_titled("Save")
    d.keys(dialog, "Return")
    question = wait_for(lambda: next((w for w, t in d.windows().items()
                                      if t == "Save" and w != dialog), None),
                        "the question whether to replace the file")
    d.keys(question, "alt+y")
    wait_for(lambda: read(path) == b"new old", "the file saved under its own name")
    files = files_in(d.home)
    fail_if(files != [b"README"], f"other files in the folder: {files}")


def name_not_utf8(d):
    """A file whose name is not UTF-8 opens from the command line and Ctrl+S saves it back
    under the same name."""
    home = os.fsencode(d.home)
    # Latin-1, as older systems named files
    path, main = open_file(d, os.path.join(home, b"caf\xe9 \xff.txt"), b"text",
                           title=MAIN + r" - \[.*caf.*\.txt\]")
    d.type(main, "more ")
    save_expecting(d, main, path, b"more text")  # a name with an extension: written at once
    names = files_in(home)
    fail_if(names != [b"caf\xe9 \xff.txt"], f"files in the folder: {names}")


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
    d.window_titled(DOC1)
    aside = glob.glob(store + ".unusable-*")
    if len(aside) != 1 or os.path.getsize(aside[0]) != 100 * 1024 * 1024:
        raise ScenarioFailed(f"the junk store not set aside whole: {aside}")
    wait_for(lambda: d.settings().get("Version"), "a new store")


def close_cancel(d):
    main = quiet_start(d)
    program = d.processes[-1]
    d.type(main, "unsaved")
    d.close(main)
    box = d.window_titled(r"Save file\?")
    no_foreign_titles(d)
    d.keys(box, "Escape")  # Cancel
    d.gone(box)
    fail_if(program.poll() is not None, "the program ended after Cancel")
    # The second attempt must ask again, and No must end the program.
    d.close(main)
    box = d.window_titled(r"Save file\?")
    d.keys(box, "alt+n")
    fail_if(exits(program) != 0, "the program failed on exit")


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
    main = quiet_start(d)
    program = d.processes[-1]
    marker = "typed before the crash"
    d.type(main, marker)
    wait_for(lambda: recovery_files_hold(d, marker), "a recovery copy of the text")
    kill(program)

    # Killed again right after the restore: the text is offered once more.
    program, main = restart_and_restore(d, DOC1)
    kill(program)
    program, main = restart_and_restore(d, DOC1)
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
    path, main = open_file(d, "letter.rtf", LETTER)
    program, title = d.processes[-1], titled(path)
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
        fail_if(part not in saved, f"{part!r} missing from the saved file: {saved!r}")


def survives(program, seconds):
    """Fails as soon as the program ends within `seconds`."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        fail_if(program.poll() is not None, f"the program ended with status {program.returncode}")
        time.sleep(0.1)


def file_size_limit(d):
    """Under `ulimit -f` the recovery copy and the save of a large file fail and are reported;
    the editor stays, the file stays whole and no temporary file is left."""
    content = b"a line of text that is long enough to count\n" * 5000  # 225 kB
    path, main = open_file(d, "large.txt", content, file_size_limit=100)  # 50 or 100 kB
    program = d.processes[-1]
    d.keys(main, "ctrl+End")
    d.type(main, "!")
    survives(program, 5)  # the recovery copy is due 3 s after the change
    d.keys(main, "ctrl+s")
    box = d.window_titled("Quillo")
    d.screenshot("file_size_limit")
    d.keys(box, "Return")
    d.gone(box)
    fail_if(read(path) != content, "the file changed")
    left = [name for name in os.listdir(d.home) if name.startswith(".qm-")]
    left += glob.glob(os.path.join(d.data, "**", ".qm-*"), recursive=True)
    fail_if(left, f"temporary files left: {left}")


def preview(d):
    """The preview's script reaches neither the network nor local files; a page reached by a
    link from it, then left by the address box, comes back with Back and Refresh."""
    web = WebServer({"/a.html": page("Page A"), "/b.html": page("Page B")})
    main = quiet_start(d)
    d.type(main, "<HTML><HEAD><TITLE>Preview 42</TITLE><SCRIPT>fetch('file:///etc/hostname')"
           f".finally(()=>fetch('{web.url}/leak'))</SCRIPT></HEAD><BODY>"
           f"<a style='display:block;font-size:150px' href='{web.url}/a.html'>link</a>"
           "</BODY></HTML>")
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

    d.click(200, 300)  # the big link, below the address box
    d.window_titled(MAIN + r" - \[Page A\]")
    d.keys(main, "alt+a", "ctrl+a")
    d.type(main, web.url + "/b.html\r")  # the address box of a preview window
    d.window_titled(MAIN + r" - \[Page B\]")
    loads = web.requests.count("GET /a.html")
    d.press(browser_button(d, "Back"))
    d.window_titled(MAIN + r" - \[Page A\]")
    d.press(browser_button(d, "Refresh"))
    wait_for(lambda: web.requests.count("GET /a.html") >= loads + 2, "Back and Refresh to load")
    d.window_titled(MAIN + r" - \[Page A\]")
    fail_if("GET /leak" in web.requests, "the preview's script reached the network")


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


def page(title, body=""):
    return f"<html><head><title>{title}</title></head><body>{body}</body></html>"


def browser_button(d, name):
    """A button of the browser window's own toolbar (the main one is named "Toolbar")."""
    return d.find("push button", name, root=d.find("tool bar", "(?!Toolbar$).*"))


def browser(d):
    """The address box by Return, keypad Enter and its list; Back, Forward, Refresh, Search,
    Home, Stop and Edit HTML against a local server, which is also the engine's proxy."""
    # Page A's title comes from its script: web sites keep their scripts.
    web = WebServer({"/a.html": page("static", "<script>document.title='Page A'</script>"),
                     "/b.html": page("Page B"),
                     "/slow.html": page("Slow")}, slow={"/slow.html"})
    d.env["QTWEBENGINE_CHROMIUM_FLAGS"] = "--proxy-server=" + web.url
    main = quiet_start(d)
    d.keys(main, "F4")
    web.seen("CONNECT www.example.org:443")  # the home page, the About box's address

    def go(path, enter="Return"):
        d.keys(main, "alt+a", "ctrl+a")
        d.type(main, web.url + path)
        d.keys(main, enter)
    go("/a.html")
    d.window_titled(MAIN + r" - \[Page A\]")
    go("/b.html", "KP_Enter")
    d.window_titled(MAIN + r" - \[Page B\]")
    fail_if(web.requests.count("GET /b.html") != 1, f"one Enter, several loads: {web.requests}")

    d.press(browser_button(d, "Back"))
    d.window_titled(MAIN + r" - \[Page A\]")
    d.press(browser_button(d, "Forward"))
    d.window_titled(MAIN + r" - \[Page B\]")  # Refresh: the preview scenario

    d.press(browser_button(d, "Search"))
    web.seen("CONNECT duckduckgo.com:443")
    d.keys(main, "alt+a", "alt+Down", "Home", "Return")  # the first entry of the list
    web.seen("CONNECT www.wikipedia.org:443")
    d.press(browser_button(d, "Home"))
    wait_for(lambda: web.requests.count("CONNECT www.example.org:443") == 2, "Home")

    go("/a.html")
    d.window_titled(MAIN + r" - \[Page A\]")
    go("/slow.html")
    d.window_titled(MAIN + r" - \[Working...\]")
    wait_for(lambda: d.status() == "Downloading webpage..." + web.url + "/slow.html",
             "the download message")
    d.press(browser_button(d, "Stop"))
    d.window_titled(MAIN + r" - \[Page A\]")
    web.release.set()

    # Edit HTML: the open dialog proposes the page's address; its source becomes a document.
    loads = web.requests.count("GET /a.html")
    d.press(browser_button(d, "Edit.*"))
    d.keys(d.window_titled("Open"), "Return")
    wait_for(lambda: "document.title='Page A'" in d.editor_text(), "the page's source")
    d.window_titled(MAIN + r" - \[Page A\]")
    fail_if(web.requests.count("GET /a.html") == loads, "Edit HTML did not fetch the page")


ENGINE = ("libQt6WebEngineCore.so", "libQt6WebEngineWidgets.so", "libQt6Quick.so",
          "libQt6Qml.so", "quillo-browser.so")


def engine_mapped(program):
    """Which of the web engine's libraries and the browser module the program has mapped."""
    with open(f"/proc/{program.pid}/maps") as maps:
        return {name for line in maps for name in ENGINE if "/" + name in line}


def browser_module(d):
    """Installed by `cmake --install`, the program starts without the web engine and loads its
    browser module when the first browser window opens. Without the module, or with a broken
    one, View > Web Browser and Preview say why, and the editor goes on working."""
    prefix = os.path.join(d.root, "prefix")
    subprocess.run(["cmake", "--install", os.path.dirname(d.program), "--prefix", prefix],
                   check=True, stdout=subprocess.DEVNULL)
    d.program_built, d.program = d.program, os.path.join(prefix, "bin", "quillo")
    main = quiet_start(d)
    program = d.processes[-1]
    fail_if(engine_mapped(program), f"mapped at start: {sorted(engine_mapped(program))}")
    d.keys(main, "F4")
    wait_for(lambda: engine_mapped(program) == set(ENGINE), "the engine to be mapped")
    kill(program)

    # The program alone in a folder, then beside a module that needs a function it lacks.
    alone = os.path.join(d.root, "alone")
    os.makedirs(alone)
    d.program = shutil.copy(d.program, alone)
    missing = r"quillo-browser\.so is in none of the folders " + re.escape(alone) + ", .+"
    unbound = r".*/quillo-browser\.so: undefined symbol: \w*functionNoProgramHas.*"
    for module, reason in ((None, missing), ("tests/libunbound-module.so", unbound)):
        if module:
            shutil.copy(os.path.join(os.path.dirname(d.program_built), module),
                        os.path.join(alone, "quillo-browser.so"))
        path, main = open_file(d, "page.htm", "<html><body>text</body></html>\n")
        for key in ("F4", "F11"):
            d.keys(main, key)
            d.answer("The web browser could not be loaded: " + reason)
        d.type(main, "more")
        save_expecting(d, main, path, b"more<html><body>text</body></html>\n")
        kill(d.processes[-1])


def run_script(d):
    """./run.sh FILE from another folder opens the caller's file, and on an up-to-date tree
    starts the editor without configuring, building or installing anything."""
    source = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    if os.path.realpath(d.program) != os.path.join(source, "build", "quillo"):
        print("skipped: run.sh would start another build of the editor")
        raise SystemExit(SKIP)
    log = os.path.join(d.root, "shims.log")
    for tool in ("cmake", "make", "apt-get", "sudo"):
        d.write("shims/" + tool, f'#!/bin/sh\necho "{tool} $*" >> {log}\nexit 1\n', True)
    d.env["PATH"] = os.path.join(d.root, "shims") + ":" + d.env["PATH"]
    notes = d.write("elsewhere/notes.txt", "the caller's notes")
    d.write_settings(QUIET_START)
    d.processes.append(subprocess.Popen([os.path.join(source, "run.sh"), "notes.txt"],
                                        cwd=os.path.dirname(notes), env=d.env))
    d.window_titled(MAIN + r" - \[notes\.txt\]")
    wait_for(lambda: d.editor_text() == "the caller's notes", "the caller's file")
    if os.path.exists(log):
        raise ScenarioFailed("run.sh on an up-to-date tree ran " + read(log).decode())


TWELVE = "Save Print Find Strip Undo Redo Cut Copy Paste Hear Stop Pre".split()


def toolbar_states(d):
    """The toolbar's buttons follow the active window: a document, a browser window, none."""
    main = quiet_start(d)

    def states(twelve, what):  # New, Open, Browser, Options and About are always on
        expected = dict(zip(TWELVE, (c == "1" for c in twelve)), New=True, Open=True,
                        Browser=True, Options=True, About=True)
        wait_for(lambda: d.toolbar_states() == expected, what)
    states("011111111110", "a clean document's buttons")
    d.keys(main, "F4")
    states("0" * 12, "the browser window's buttons")
    bar = d.find("menu bar").queryComponent().getExtents(d._atspi.DESKTOP_COORDS)
    for left in (r" - \[Document 1\]", ""):  # the clean document closes without a question
        d.click(bar.x + bar.width - 10, bar.y + bar.height // 2)  # the maximised child's close
        d.window_titled(MAIN + left)
    states("0" * 12, "the buttons with no window")
    d.keys(main, "ctrl+n")
    d.type(main, "<HTML>")
    states("1" * 12, "a changed HTML document's buttons")


def arrange_toggles_help(d):
    """Tile and Cascade by the Window menu, the View toggles by keys, the help message by F1."""
    d.write_settings({"FirstTime": "No", "MaxNew": "False"})
    d.start()
    main = d.window_titled(MAIN)
    d.keys(main, "ctrl+n")
    d.find("frame", "Document 2")

    def boxes():
        frames = sorted(d.find_all("frame", r"Document \d"), key=lambda f: f.name)
        return [f.queryComponent().getExtents(d._atspi.DESKTOP_COORDS) for f in frames]
    arrangements = {"v": lambda a, b: a.y == b.y and a.x != b.x and a.height == b.height,
                    "h": lambda a, b: a.x == b.x and a.y != b.y and a.width == b.width,
                    "c": lambda a, b: a.x != b.x and a.y != b.y and a.width == b.width}
    for letter, arranged in arrangements.items():
        d.keys(main, "alt+w", letter)
        wait_for(lambda: arranged(*boxes()), f"Window > {letter} to arrange the documents")

    for letter, role, name in (("t", "tool bar", "Toolbar"), ("b", "status bar", "Status Bar")):
        bar, item = d.find(role), d.find_all("menu item", name)[0]
        for shown in (False, True):
            d.keys(main, "alt+v", letter)
            wait_for(lambda: d.is_(bar, "SHOWING") == shown and d.is_(item, "CHECKED") == shown,
                     f"View > {item.name} to {'show' if shown else 'hide'} the bar")
    d.keys(main, "alt+v", "b")
    d.keys(main, "F1")
    d.answer("There is no help file with this release of Quillo.*")


def common_dialogs(d):
    """Cancel in the print dialog prints nothing; the options' colour and font choosers (the
    font chooser without effects) lead to stored settings."""
    main = quiet_start(d)
    d.type(main, "print me")
    d.keys(main, "ctrl+p")
    dialog = d.window_titled("Print")
    d.keys(dialog, "Escape")
    d.gone(dialog)
    fail_if(glob.glob(os.path.join(d.home, "**", "*.p[ds]*"), recursive=True), "Cancel printed")

    d.keys(main, "alt+v", "o")
    d.window_titled("Options")
    d.press(d.find("push button", "Background"))
    d.keys(d.window_titled("Select Colou?r"), "Return")  # the dialog's first colour, white
    d.press(d.find("push button", "Font"))
    font = d.window_titled("Select Font")
    if d.find_all("check box", "Underline|Strikeout", showing=True):
        raise ScenarioFailed("the font chooser offers effects")
    d.keys(font, "Return")
    d.gone(font)
    d.press(d.find("push button", "OK"))  # Enter would press Font, which has the focus
    wait_for(lambda: d.settings().get("DocBG") == "16777215", "the chosen colour stored")


def editing(d):
    """Copy and Cut reach the X clipboard, Paste takes another program's text, the Edit menu
    names what Undo and Redo will do; Strip and its Undo."""
    main = quiet_start(d)
    d.type(main, "one two")
    clipboard = lambda: d.x("xclip", "-selection", "clipboard", "-o")
    d.keys(main, "shift+ctrl+Left", "ctrl+c")
    wait_for(lambda: clipboard() == "two", "Copy to reach the clipboard")
    d.keys(main, "ctrl+x")
    wait_for(lambda: d.editor_text() == "one ", "Cut to take the word")
    d.start_process("xclip", "-quiet", "-selection", "clipboard", "-i", input=b"three")
    wait_for(lambda: clipboard() == "three", "the other program to own the clipboard")
    d.keys(main, "alt+e", "p")
    wait_for(lambda: d.editor_text() == "one three", "Paste to insert the other program's text")

    def edit_menu(expected):
        items = lambda: sorted(i.name for i in d.find_all("menu item", "(Undo|Redo).*", None,
                                                           True))
        d.keys(main, "alt+e")
        wait_for(lambda: items() == expected, f"the Edit menu to offer {expected}")
        d.keys(main, "Escape")  # the menu closes; the next Escape leaves the menu bar
        wait_for(lambda: not items(), "the Edit menu to close")
        d.keys(main, "Escape")
    edit_menu(["Redo", "Undo Paste"])
    d.keys(main, "ctrl+z")
    wait_for(lambda: d.editor_text() == "one ", "Undo to take the paste back")
    edit_menu(["Redo Paste", "Undo Cut"])
    d.keys(main, "alt+e")  # Redo and Replace share the R: the mouse chooses
    d.press(d.find("menu item", "Redo Paste"))
    wait_for(lambda: d.editor_text() == "one three", "Redo to paste again")

    # Strip from the toolbar turns a page into its text; one Undo brings the page back.
    d.keys(main, "ctrl+n")
    source = "<HTML><BODY><P>Fish &amp; chips</P></BODY></HTML>"
    d.type(main, source)
    d.press(d.find("push button", "Strip"))
    wait_for(lambda: d.editor_text().strip() == "Fish & chips", "the stripped text")
    wait_for(lambda: d.status() == "Ready.", "Ready. in the status bar")
    d.keys(main, "ctrl+z")
    wait_for(lambda: d.editor_text() == source, "one Undo to bring the page back")


def find_replace(d):
    """Find by Enter in its box and by Enter on its button, Find Next, Replace All with its
    message and one Undo."""
    main = quiet_start(d)
    d.type(main, "cat dog cat dog cat")
    d.keys(main, "ctrl+Home", "ctrl+f")
    d.type(d.window_titled("Find"), "dog\r")

    def selection():
        text = d.editor().queryText()
        return text.getSelection(0)[:2] if text.getNSelections() else None
    wait_for(lambda: selection() == (4, 7), "Enter in the box to find the first dog")
    d.keys(main, "F3")
    wait_for(lambda: selection() == (12, 15), "Find Next to find the second dog")
    d.keys(main, "F3", "ctrl+f")  # no more after it: F3 does not wrap around
    d.keys(d.window_titled("Find"), "Escape")
    wait_for(lambda: selection() == (12, 15), "the last dog to stay selected")
    d.keys(main, "ctrl+Home", "ctrl+f")
    d.keys(d.window_titled("Find"), "Tab", "Tab", "Tab", "Tab", "Return")  # Enter on the Find button
    wait_for(lambda: selection() == (4, 7), "Enter on the Find button to search")

    d.keys(main, "ctrl+Home", "ctrl+r")
    dialog = d.window_titled("Replace")
    d.type(dialog, "cat\tbird")
    d.keys(dialog, "Tab", "Tab", "Tab", "Tab", "Return")  # Enter on the Replace button
    d.answer("The specified region has been searched. 3 replacements have been made")
    wait_for(lambda: d.editor_text() == "bird dog bird dog bird", "the replacements")
    d.keys(main, "ctrl+z")
    wait_for(lambda: d.editor_text() == "cat dog cat dog cat", "one Undo for all three")


def about_box(d):
    """The About box names the version and home page; System Info starts the first tool on the
    search path, and says so when there is none."""
    d.env["PATH"] = os.path.join(d.root, "tools") + ":/usr/bin:/bin"  # no usual tool there
    main = quiet_start(d)
    d.keys(main, "alt+h", "a")
    about = d.window_titled("About Quillo")
    d.find("label", "Version 1.5.0")
    d.find("label", r"(?s).*https://www\.example\.org/quillo/")
    d.keys(about, "alt+s")
    d.answer("System Information Is Unavailable At This Time")
    started = os.path.join(d.root, "hardinfo-started")
    d.write("tools/hardinfo", f"#!/bin/sh\ntouch {started}\n", True)
    d.keys(about, "alt+s")
    wait_for(lambda: os.path.exists(started), "the system information tool to start")
    d.keys(about, "Escape")
    d.gone(about)


def speech_service(d):
    """speech-dispatcher on the desktop's bus whose only voice writes each text it is given to
    a file and then holds on, as if speaking, until it is stopped."""
    spoken, pid = os.path.join(d.root, "spoken.txt"), os.path.join(d.root, "speaking.pid")
    conf = d.write("speech/speechd.conf", 'AddModule "recorder" "sd_generic" "recorder.conf"\n'
                   'DefaultModule recorder\nAudioOutputMethod "alsa"\nAudioALSADevice "null"\n')
    d.write("speech/modules/recorder.conf", f"GenericExecuteSynth \"echo $$ > {pid}; "
            f"printf '%s\\\\n' \\'$DATA\\' >> {spoken}; sleep 60\"\n"
            'GenericLanguage "en" "en" "utf-8"\nAddVoice "en" "MALE1" "en"\n')
    socket = os.path.join(d.root, "speechd.sock")
    d.start_process("speech-dispatcher", "-C", os.path.dirname(conf), "-s", "-t", "0",
                    "--communication-method", "unix_socket", "--socket-path", socket)
    wait_for(lambda: os.path.exists(socket), "the speech service")
    d.env.update(SPEECHD_ADDRESS="unix_socket:" + socket, LANG="en_US.UTF-8")  # an "en" voice

    def speaking():
        try:
            with open(f"/proc/{read(pid).decode().strip()}/stat") as stat:
                return stat.read().split(") ")[1][0] != "Z"
        except (OSError, ValueError):
            return False
    return (lambda: read(spoken).decode() if os.path.exists(spoken) else ""), speaking


def read_aloud(d):
    """With no speech service the status bar says so; with one, F5 speaks the whole text or
    the selection and the toolbar's Stop ends it."""
    d.env["SPEECHD_ADDRESS"] = "unix_socket:" + os.path.join(d.root, "no-such-socket")
    main = quiet_start(d)
    d.type(main, "x")
    d.keys(main, "F5")
    wait_for(lambda: d.status().startswith("Speech is not available"), "the status message")
    d.processes[-1].kill()

    spoken, speaking = speech_service(d)
    main = quiet_start(d)
    d.type(main, "read all of it")
    for keys, said in ((["F5"], "read all of it\n"), (["shift+ctrl+Left", "F5"], "\nit\n")):
        d.keys(main, *keys)  # the whole text, then the selection
        wait_for(lambda: spoken().endswith(said), f"{said!r} at the speech service")
        d.press(d.find("push button", "Stop"))
        wait_for(lambda: not speaking(), "Stop to end the speech")


def command_line_recent(d):
    """Files named on the command line open each in a window, one at a given line; the File menu
    then closes them and reopens one from its recent files, all by Alt+F and a key."""
    first = d.write("home/first.txt", "one\ntwo\nthree\n")
    second = d.write("home/sec ond.txt", "other\n")
    main = quiet_start(d, "+2", first, second, title=titled(second))
    program = d.processes[-1]
    d.keys(main, "alt+f", "c")  # File > Close: the first file comes to the front
    main = d.window_titled(titled(first))
    d.type(main, "2: ")
    save_expecting(d, main, first, b"one\n2: two\nthree\n")  # typed at line 2
    d.keys(main, "alt+f", "c")
    d.keys(main, "alt+f", "2")  # the second newest: the other file
    d.window_titled(titled(second))
    d.close(main)
    exits(program)
    stored = d.settings()
    if (stored.get("RecentFile1"), stored.get("RecentFile2")) != (second, first):
        raise ScenarioFailed(f"recent files stored: {stored}")


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
    save_expecting(d, main, path, "\u00e9\na\u200cb\u200dc\u200ed\u200fe\u00adf\ne\u0301!".encode())


def input_method(d):
    """An input method composes in place: IBus with a Vietnamese table turns "tieengs" into
    "tiếng" as it is typed, and the word goes in whole when a space ends it."""
    if not shutil.which("ibus-daemon"):
        raise SystemExit(SKIP)
    d.env["QT_IM_MODULE"] = "ibus"
    d.start_process("ibus-daemon", "--replace", "--panel=disable")

    def telex():  # `ibus engine NAME` fails even when it succeeds: ask which is on
        subprocess.run(["ibus", "engine", "m17n:vi:telex"], env=d.env, capture_output=True)
        return subprocess.run(["ibus", "engine"], env=d.env, capture_output=True,
                              text=True).stdout.strip() == "m17n:vi:telex"
    wait_for(telex, "IBus to take its Vietnamese table")
    path, main = open_file(d, "viet.txt", "")
    d.type(main, "tieengs Vieetj ", delay=100)
    save_expecting(d, main, path, "tiếng Việt ".encode())


def rich_edits(d):
    """Thousands of formatted paragraphs of every size and spacing, typed into at the end and
    the top; a click where a screen reader says a paragraph is lands there."""
    body = "".join(f"\\pard\\sb{i % 4 * 120}\\sa{i % 3 * 90}\\fs{20 + i % 4 * 6} line {i}\\par\n"
                   for i in range(3000))
    path, main = open_file(d, "long.rtf", "{\\rtf1\\ansi " + body + "}")
    d.keys(main, "ctrl+End")
    d.type(main, "E")
    d.keys(main, "ctrl+Home", "End", "Return", "Return")
    wait_for(lambda: d.editor_text().startswith("line 0\n\n\nline 1"), "two paragraphs more")
    x, y, _, height = d.editor().queryText().getCharacterExtents(
        d.editor_text().index("line 9"), d._atspi.DESKTOP_COORDS)
    d.click(x + 1, y + height // 2)
    d.type(main, "C")
    d.keys(main, "ctrl+s")
    wait_for(lambda: b" Cline 9\\par" in read(path) and b" line 2999E\\par" in read(path),
             "the letters in the saved file, where they were typed")


def rich_drag(d):
    """Bold text across a line separator, dragged with the mouse to the end of the paragraph,
    keeps its bold and its separator, and the text it passes keeps its own format, in the saved
    file."""
    path, main = open_file(d, "drag.rtf", r"{\rtf1\ansi plain {\b BO\line LD} end\par}")
    text = d.editor().queryText()
    def place(index):
        x, y, width, height = text.getCharacterExtents(index, d._atspi.DESKTOP_COORDS)
        return x, y + height // 2, width
    d.keys(main, "ctrl+Home", *["Right"] * 6, *["shift+Right"] * 5)  # "BO", separator, "LD"
    wait_for(lambda: text.getSelection(0)[:2] == (6, 11), "the bold text selected")
    x, y, _ = place(7)
    end_x, end_y, width = place(14)  # the last character, "d", on the second row
    d.x("xdotool", "mousemove", str(x), str(y), "mousedown", "1", check=True)
    for step in range(1, 6):
        d.x("xdotool", "mousemove", str(x + (end_x + width + 2 - x) * step // 5),
            str(y + (end_y - y) * step // 5))
        time.sleep(0.05)
    d.x("xdotool", "mouseup", "1", check=True)
    wait_for(lambda: text.getSelection(0)[:2] == (10, 15), "the moved text selected at the end")
    d.keys(main, "ctrl+s")
    wait_for(lambda: rb"plain  end\b BO\line LD\par" in read(path),
             "the moved text in the file, bold, with its line separator")


def screen_reader(d):
    """A screen reader reads the text, a word and a line, and hears typing, Undo, Redo and
    Replace All."""
    client = [shutil.which("python3", path="/usr/bin") or "python3",
              os.path.join(os.path.dirname(os.path.abspath(__file__)), "atspi_client.py")]
    main = open_file(d, "two.txt", "hello\nworld")[1]
    read = subprocess.run(client + ["read", "8"], env=d.env, capture_output=True, text=True,
                          timeout=60)
    if read.stdout != "'hello\\nworld'\n'world' 6 11\n'world' 6 11\n":
        raise ScenarioFailed(f"read {read.stdout!r} {read.stderr[-300:]!r}")
    listener = subprocess.Popen(client + ["listen", "15"], env=d.env, stdout=subprocess.PIPE,
                                text=True)
    listener.stdout.readline()  # listening
    d.keys(main, "ctrl+End")
    d.type(main, "x")
    d.keys(main, "ctrl+z", "ctrl+shift+z", "ctrl+Home", "ctrl+r")
    dialog = d.window_titled("Replace")
    d.type(dialog, "o\t0")
    d.keys(dialog, "Tab", "Tab", "Tab", "Tab", "Return")  # Enter on the Replace button
    d.answer("The specified region has been searched. 2 replacements have been made")
    heard = listener.communicate(timeout=60)[0].splitlines()
    if heard != ["object:text-changed:insert 11 'x'", "object:text-changed:delete 11 'x'",
                 "object:text-changed:insert 11 'x'",
                 "object:text-changed:delete 4 'o\\nwo'",
                 "object:text-changed:insert 4 '0\\nw0'"]:
        raise ScenarioFailed(f"heard {heard}")


def changed_on_disk(d):
    """Changed by another program: the bar on coming back, Reload, one Ctrl+Z undoes it. A new
    time stamp alone (touch) is no change: no bar, and the save asks nothing."""
    path, main = open_file(d, "shared.txt", "old text\n")
    d.start_process("xmessage", "another program")
    other = d.x("xdotool", "search", "--sync", "--onlyvisible", "--class", "xmessage").split()
    changed = r'"shared.txt" has been changed by another program\..*'
    for stamp in ([], ["-d", "2001-02-03 04:05:06"]):
        d.activate(other[0])
        subprocess.run(["touch", *stamp, path], check=True)
        d.activate(main)
    d.type(main, "x")
    wait_for(lambda: d.editor_text() == "xold text\n", "the typed text")
    fail_if(d.find_all("label", changed, showing=True), "the bar for a new time stamp alone")
    d.keys(main, "ctrl+s")
    wait_for(lambda: read(path) == b"xold text\n", "the save, without a question")
    d.activate(other[0])
    # The same size written in place, with the old time stamp put back.
    subprocess.run(["sh", "-c", 'touch -r "$1" "$1.t" && printf "xnew text\\n" > "$1" && '
                    'touch -r "$1.t" "$1" && rm "$1.t"', "sh", path], check=True)
    d.activate(main)
    d.find("label", changed)
    d.screenshot("bar")
    d.press(d.find("push button", "Reload"))
    wait_for(lambda: d.editor_text() == "xnew text\n", "the reloaded text")
    d.keys(main, "ctrl+z")
    wait_for(lambda: d.editor_text() == "xold text\n", "Undo to bring the old text back")


def spell_check(d):
    """A misspelt word is underlined in red; the first entry of its right-click menu corrects it
    as one undo step, and "Add to dictionary" in the Menu key's menu for the word just typed
    writes it to the user's word list."""
    path, main = open_file(d, "spell.txt", "A recieve line\n")

    def word_box(start, end):
        text = d.editor().queryText()
        first = text.getCharacterExtents(start, d._atspi.DESKTOP_COORDS)
        last = text.getCharacterExtents(end - 1, d._atspi.DESKTOP_COORDS)
        return first[0], first[1], last[0] + last[2] - first[0], first[3]

    def underlined(start, end):
        """Red pixels on the screen along the word's lower part."""
        x, y, width, height = word_box(start, end)
        pixels = d.x("import", "-window", "root", "-crop",
                     f"{width}x{height // 2 + 3}+{x}+{y + height // 2}", "txt:-")
        top = int(re.search(r"enumeration: \d+,\d+,(\d+)", pixels).group(1))
        red = 0
        for r, g, b in re.findall(r"^\d+,\d+: \((\d+),(\d+),(\d+)", pixels, re.M):
            red += int(r) > 0.7 * top and int(g) < 0.35 * top and int(b) < 0.35 * top
        return red >= width // 4

    def open_menu(start=None, end=None):
        """Right-clicks the word, or without one presses the Menu key (the caret's word)."""
        before = set(d.windows())
        if start is None:
            d.keys(main, "Menu")
        else:
            x, y, width, height = word_box(start, end)
            d.click(x + width // 2, y + height // 2, button="3")
        wait_for(lambda: set(d.windows()) - before, "the context menu")

    # The dictionary loads on a worker thread after the text is shown.
    wait_for(lambda: underlined(2, 9), "a red underline under 'recieve'")
    fail_if(underlined(10, 14), "'line' is underlined")
    d.screenshot("underlined")
    open_menu(2, 9)
    d.screenshot("menu")
    d.send("Down", "Return")  # the first suggestion
    wait_for(lambda: d.editor_text() == "A receive line\n", "the first suggestion to replace it")
    d.keys(main, "ctrl+z")
    wait_for(lambda: d.editor_text() == "A recieve line\n", "one Undo to take it back")

    d.keys(main, "ctrl+End")
    d.type(main, "zorblat")
    wait_for(lambda: underlined(15, 22), "a red underline under 'zorblat'")
    open_menu()
    d.send("a")  # Add to dictionary
    words = os.path.join(d.data, "Quillo", "Quillo", "words.txt")
    wait_for(lambda: os.path.exists(words) and read(words) == b"zorblat\n",
             f"{words} to hold the word")
    wait_for(lambda: not underlined(15, 22), "the underline under 'zorblat' to go")


SCENARIOS = {f.__name__: f for f in
             (first_start, run_script, save_reopen, close_cancel, kill_restore, preview, placement,
              toolbar_states, arrange_toggles_help, common_dialogs,
              editing, find_replace, browser, about_box, read_aloud,
              command_line_recent, file_size_limit, kill_restore_rtf, save_without_extension,
              name_not_utf8, settings_junk, world_text, input_method, screen_reader,
              changed_on_disk, spell_check, rich_edits, rich_drag, browser_module)}


def main():
    program, name = sys.argv[1], sys.argv[2]
    artifacts = os.path.join(sys.argv[3], name) if len(sys.argv) > 3 else None
    tools = ("Xvfb", "openbox", "xdotool", "xprop", "xwininfo", "dbus-launch")
    missing = [tool for tool in tools if shutil.which(tool) is None]
    try:
        import pyatspi  # noqa: F401  the accessibility client reads what the windows show
    except ImportError:
        missing.append("python3-pyatspi")
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
