# SPDX-License-Identifier: GPL-3.0-or-later
"""A throw-away X desktop for black-box scenarios: Xvfb, the openbox window manager and a fresh
home, with helpers that drive the real program through xdotool and wait on conditions."""

import contextlib
import glob
import os
import random
import re
import shutil
import signal
import subprocess
import tempfile
import time

TIMEOUT = float(os.environ.get("QUILLO_DESKTOP_TIMEOUT", "30"))


class ScenarioFailed(Exception):
    pass


def fail_if(condition, failure):
    """Ends the scenario with `failure` when `condition` holds."""
    if condition:
        raise ScenarioFailed(failure)


def wait_for(condition, what, timeout=TIMEOUT):
    """Polls `condition` until it returns something true; fails naming `what` after `timeout`."""
    deadline = time.monotonic() + timeout
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() > deadline:
            raise ScenarioFailed(f"timed out waiting for {what}")
        time.sleep(0.1)


class Desktop:
    screen_size = (1280, 800)

    def __init__(self, program, artifacts):
        self.program = program
        self.artifacts = artifacts
        self.processes = []

    # ---- set-up and tear-down -------------------------------------------------------------

    def __enter__(self):
        try:
            return self._set_up()
        except BaseException:
            self.__exit__(None, None, None)  # a half-made desktop leaves nothing running
            raise

    def _set_up(self):
        self.root = tempfile.mkdtemp(prefix="quillo-desktop-")
        for name in ("home", "config", "data", "cache", "runtime"):
            setattr(self, name, os.path.join(self.root, name))
            os.makedirs(getattr(self, name), mode=0o700)
        if self.artifacts:
            os.makedirs(self.artifacts, exist_ok=True)
        self.display = self._start_server()
        # Nothing of the caller's session leaks in: the program finds its own way as root too.
        inherited = ("QT_", "QTWEBENGINE_", "XDG_", "SESSION_MANAGER", "DBUS_")
        env = {k: v for k, v in os.environ.items() if not k.startswith(inherited)}
        env.update(DISPLAY=self.display, HOME=self.home, XDG_CONFIG_HOME=self.config,
                   XDG_DATA_HOME=self.data, XDG_CACHE_HOME=self.cache,
                   XDG_RUNTIME_DIR=self.runtime, QT_QPA_PLATFORM="xcb", LANG="C.UTF-8")
        self.env = env
        self._start_session_bus()
        self.wm_log = os.path.join(self.root, "openbox.log")
        with open(self.wm_log, "w") as log:
            self.wm = subprocess.Popen(["openbox", "--sm-disable"], env=env, stdout=log,
                                       stderr=log)
        self.processes.append(self.wm)
        wait_for(self._wm_ready, "the window manager")
        return self

    def _start_session_bus(self):
        """A session bus of the desktop's own: the accessibility bus and the speech service
        start on it, and the program's toolkit publishes its widgets there."""
        out = self.x("dbus-launch", "--sh-syntax", check=True)
        values = dict(re.findall(r"^(\w+)='?([^';]*)'?;", out, re.M))
        self.bus_pid = int(values["DBUS_SESSION_BUS_PID"])
        self.env["DBUS_SESSION_BUS_ADDRESS"] = values["DBUS_SESSION_BUS_ADDRESS"]
        self.env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"

    def _server_ready(self, display):
        return subprocess.run(["xprop", "-root", "-display", display, "_NET_WM_NAME"],
                              capture_output=True, timeout=TIMEOUT).returncode == 0

    def _wm_ready(self):
        if self.wm.poll() is not None:
            with open(self.wm_log) as log:
                raise ScenarioFailed(f"openbox ended ({self.wm.returncode}): {log.read()}")
        return "window id" in self.x("xprop", "-root", "_NET_SUPPORTING_WM_CHECK")

    def _start_server(self):
        # A display number of its own, picked at random from a high range: other servers on
        # the machine (and scenarios running side by side) keep theirs.
        for _ in range(20):
            number = random.randrange(200, 30000)
            if (os.path.exists(f"/tmp/.X11-unix/X{number}")
                    or os.path.exists(f"/tmp/.X{number}-lock")):
                continue
            display = f":{number}"
            screen = "%dx%dx24" % self.screen_size
            # -noreset: the server would otherwise restart whenever its last client leaves.
            server = subprocess.Popen(["Xvfb", display, "-noreset", "-screen", "0", screen,
                                       "-nolisten", "tcp"], stdout=subprocess.DEVNULL,
                                      stderr=subprocess.DEVNULL)
            ready = lambda: server.poll() is not None or self._server_ready(display)
            wait_for(ready, "the X server")
            if server.poll() is None:
                self.processes.append(server)
                return display
        raise ScenarioFailed("no free X display")

    def __exit__(self, kind, value, trace):
        if kind is not None:
            self.screenshot("failure")
            if self.artifacts:
                for log in glob.glob(os.path.join(self.root, "*.log")):
                    shutil.copy(log, self.artifacts)
        for process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    process.kill()
            process.wait()
        if getattr(self, "bus_pid", None):
            with contextlib.suppress(ProcessLookupError):
                os.kill(self.bus_pid, signal.SIGTERM)
        shutil.rmtree(self.root, ignore_errors=True)
        return False

    # ---- the program ----------------------------------------------------------------------

    def start(self, *arguments, file_size_limit=None):
        """Starts the program; with `file_size_limit` (in the shell's blocks), through a shell
        that sets `ulimit -f` and leaves SIGXFSZ at its default, as shells and sessions do."""
        log = open(os.path.join(self.root, f"quillo-{len(self.processes)}.log"), "w")
        command = [self.program, *arguments]
        if file_size_limit is not None:
            command = ["/bin/sh", "-c", f'ulimit -f {file_size_limit} && exec "$0" "$@"',
                       *command]
        process = subprocess.Popen(command, env=self.env, cwd=self.home,
                                   stdout=log, stderr=log)
        log.close()
        self.processes.append(process)
        return process

    def write(self, path, text, executable=False):
        """Writes a file under the desktop's folder (`path` relative to it); returns its path."""
        path = os.path.join(self.root, path)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as f:
            f.write(text)
        if executable:
            os.chmod(path, 0o755)
        return path

    def start_process(self, *command, input=None):
        """Starts a helper program on the desktop, fed `input`; it ends with the desktop."""
        process = subprocess.Popen(command, env=self.env, stdin=subprocess.PIPE,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.processes.append(process)
        process.stdin.write(input or b"")
        process.stdin.close()
        return process

    def write_settings(self, values):
        folder = os.path.join(self.config, "Quillo")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "Quillo.conf"), "w") as store:
            store.write("[Settings]\n")
            for key, value in values.items():
                store.write(f"{key}={value}\n")

    def settings(self):
        path = os.path.join(self.config, "Quillo", "Quillo.conf")
        if not os.path.exists(path):
            return {}
        with open(path) as store:
            return dict(line.rstrip("\n").split("=", 1) for line in store if "=" in line)

    # ---- X --------------------------------------------------------------------------------

    def x(self, *command, check=False):
        result = subprocess.run(command, env=self.env, capture_output=True, text=True,
                                timeout=TIMEOUT)
        if check and result.returncode != 0:
            raise ScenarioFailed(f"{' '.join(command)}: {result.stderr.strip()}")
        return result.stdout

    def windows(self):
        """The program's visible top-level windows, as {id: title}."""
        found = {}
        for wid in self.x("xdotool", "search", "--onlyvisible", "--class", "quillo").split():
            found[wid] = self.x("xdotool", "getwindowname", wid).rstrip("\n")
        return found

    def window_titled(self, pattern, timeout=TIMEOUT):
        """Waits for a visible window whose whole title matches `pattern`; returns its id."""
        def match():
            for wid, title in self.windows().items():
                if re.fullmatch(pattern, title):
                    return wid
            return None
        return wait_for(match, f"a window titled {pattern!r}", timeout)

    def gone(self, wid, timeout=TIMEOUT):
        wait_for(lambda: wid not in self.windows(), f"window {wid} to close", timeout)

    def activate(self, wid):
        self.x("xdotool", "windowactivate", "--sync", wid)
        wait_for(lambda: self.x("xdotool", "getactivewindow").strip() == wid,
                 f"window {wid} to take the focus")

    def keys(self, wid, *keys):
        self.activate(wid)
        self.x("xdotool", "key", "--clearmodifiers", *keys, check=True)

    def send(self, *keys):
        """Keys to whichever window has the focus (a message box, say)."""
        self.x("xdotool", "key", "--clearmodifiers", *keys, check=True)

    def type(self, wid, text, delay=15):
        """Types `text`. A character the keyboard lacks is typed by mapping a spare key to it for
        a moment: the program reads the new map only after it hears of the change, so such
        text wants a longer `delay` (milliseconds a key)."""
        self.activate(wid)
        self.x("xdotool", "type", "--delay", str(delay), text, check=True)

    def close(self, wid):
        """Closes a window as a user does: the window manager's Alt+F4, which asks it to close."""
        self.keys(wid, "alt+F4")

    def outer_geometry(self, wid):
        """The window with its frame, in root coordinates: (left, top, width, height)."""
        info = self.x("xwininfo", "-id", wid)
        value = lambda label: int(re.search(label + r":\s+(-?\d+)", info).group(1))
        extents = self.x("xprop", "-id", wid, "_NET_FRAME_EXTENTS")
        left, right, top, bottom = map(int, re.findall(r"\d+", extents.split("=")[-1]))
        return (value("Absolute upper-left X") - left, value("Absolute upper-left Y") - top,
                value("Width") + left + right, value("Height") + top + bottom)

    def click(self, x, y, button="1"):
        self.x("xdotool", "mousemove", str(x), str(y), "click", button, check=True)

    # ---- what the accessibility bus shows -------------------------------------------------

    def app(self):
        """The program's accessible application object."""
        if not hasattr(self, "_atspi"):
            os.environ["DBUS_SESSION_BUS_ADDRESS"] = self.env["DBUS_SESSION_BUS_ADDRESS"]
            import pyatspi
            self._atspi = pyatspi
        desktop = self._atspi.Registry.getDesktop(0)
        apps = lambda: (desktop.getChildAtIndex(i) for i in range(desktop.childCount))
        return wait_for(lambda: next((a for a in apps() if a and a.name == "Quillo"), None),
                        "the program on the accessibility bus")

    def find_all(self, role, name=None, root=None, showing=False):
        """Accessible objects with a role ("push button", "menu item"...) and, if given, a
        name matching the pattern, depth first."""
        found = []
        def walk(node):
            try:
                if node.getRoleName() == role and (name is None or re.fullmatch(name, node.name)):
                    if not showing or self.is_(node, "SHOWING"):
                        found.append(node)
                children = [node.getChildAtIndex(i) for i in range(node.childCount)]
            except Exception:  # a widget that went while it was being read
                return
            for child in children:
                if child is not None:
                    walk(child)
        walk(root if root is not None else self.app())
        return found

    def find(self, role, name=None, root=None, showing=True):
        """Waits for a showing accessible object of that role and name."""
        return wait_for(lambda: next(iter(self.find_all(role, name, root, showing)), None),
                        f"a {role} named {name!r}")

    def answer(self, message, key="Return"):
        """Waits for a message box showing `message` and answers it with `key`."""
        self.find("label", message)
        self.send(key)
        wait_for(lambda: not self.find_all("label", message, showing=True),
                 f"the message {message!r} to close")

    def is_(self, node, state):
        return node.getState().contains(getattr(self._atspi, "STATE_" + state))

    def press(self, node):
        """Clicks the middle of an accessible object with the mouse."""
        box = node.queryComponent().getExtents(self._atspi.DESKTOP_COORDS)
        self.click(box.x + box.width // 2, box.y + box.height // 2)

    def status(self):
        """The text of the main window's first status panel."""
        return self.find_all("label", root=self.find("status bar"))[0].name

    def toolbar_states(self):
        """{key: enabled} of the main toolbar's buttons."""
        bar = self.find("tool bar", "Toolbar")
        return {b.name: self.is_(b, "ENABLED") for b in self.find_all("push button", root=bar)}

    def editor(self):
        """The editor that has the keyboard focus."""
        return wait_for(lambda: next((t for t in self.find_all("text", showing=True)
                                      if self.is_(t, "FOCUSED")), None), "a focused editor")

    def editor_text(self):
        text = self.editor().queryText()
        return text.getText(0, text.characterCount)

    def screenshot(self, name):
        if not self.artifacts or shutil.which("import") is None:
            return
        subprocess.run(["import", "-window", "root",
                        os.path.join(self.artifacts, name + ".png")],
                       env=self.env, capture_output=True, timeout=TIMEOUT)


def exits(process, timeout=TIMEOUT):
    try:
        return process.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        raise ScenarioFailed("the program did not exit") from None


class WebServer:
    """A local web server in a thread: serves `pages` ({path: html}), records each request as
    "GET /path" (or "CONNECT host:port" when used as the browser's proxy), and holds back the
    pages named in `slow` until `release` is set. `redirects` ({path: address}) answer 302;
    the pages in `unsized` come without a type or length, ended by closing the connection."""

    def __init__(self, pages, slow=(), redirects=None, unsized=()):
        import http.server
        import threading
        self.requests = []
        self.release = threading.Event()
        server = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                server.requests.append("GET " + self.path)
                if self.path in slow:
                    server.release.wait(TIMEOUT)
                if self.path in (redirects or {}):
                    self.send_response(302)
                    self.send_header("Location", redirects[self.path])
                    self.end_headers()
                    return
                self.send_response(200 if self.path in pages else 404)
                data = pages.get(self.path, "<title>Not here</title>").encode()
                if self.path not in unsized:
                    self.send_header("Content-Type", "text/html; charset=utf-8")
                    self.send_header("Content-Length", str(len(data)))
                self.send_header("Cache-Control", "no-store")
                self.end_headers()
                with contextlib.suppress(OSError):  # the browser may have stopped waiting
                    self.wfile.write(data)

            def do_CONNECT(self):
                server.requests.append("CONNECT " + self.path)
                self.send_error(502)

            def log_message(self, *args):
                pass

        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.httpd.daemon_threads = True
        self.url = "http://127.0.0.1:%d" % self.httpd.server_address[1]
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()

    def seen(self, request):
        return wait_for(lambda: request in self.requests, f"{request!r} at the web server")


if __name__ == "__main__":  # for the in-process tests: the settings from a JSON file, the
    import json             # address on standard output, serving until standard input ends
    import sys
    with open(sys.argv[1]) as settings:
        server = WebServer(**json.load(settings))
    print(server.url, flush=True)
    sys.stdin.read()
