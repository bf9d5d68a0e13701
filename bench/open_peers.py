#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Open time and memory of the editor next to other text editors installed on the machine
(kate, featherpad), measured the same way from outside for each: the program is started on a
file under a private Xvfb display, with a fresh home and a session bus of its own, and watched
until its processes stop using the processor. The open time is the launch to the end of the
last busy moment (a poll interval in which the processes used more than a quarter of a core)
before a quiet spell; the memory is the resident memory of all its processes then, the session
bus itself left out (the services it starts for the program count).

    bench/open_peers.py [QUILLO] [--runs N] [--quick]

QUILLO is the editor's executable (build/quillo by default). Files: 10 MB and 50 MB of text in
lines, a 2 MB single line and a 6-byte file (--quick: the small ones only). Prints one
"BENCH|metric|value|unit|goal" line per figure, the median of N runs (3 by default). Without
Xvfb or without any of the other editors it says so and exits 0 without measuring."""
import argparse
import os
import random
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

PEERS = ["kate", "featherpad"]
POLL = 0.02  # seconds between looks at the processes
BUSY = 0.25  # share of one core above which an interval counts as busy
QUIET = 0.8  # seconds without a busy interval that count as idle
BUS = ("dbus-run-session", "dbus-daemon")
TIMEOUT = 120.0  # seconds before a program that never goes idle is given up on


def make_files(folder, quick):
    """The files to open: (shape name, path)."""
    shapes = []

    def text_file(name, size, line):
        path = os.path.join(folder, name)
        with open(path, "wb") as out:
            written = 0
            n = 0
            while written < size:
                chunk = b"".join(line % (n + k) for k in range(1000))
                out.write(chunk)
                written += len(chunk)
                n += 1000
        return path

    line = b"Line %08d of plain text, the quick brown fox jumps over the lazy dog.\n"
    if not quick:
        shapes.append(("10 MB text", text_file("ten.txt", 10_000_000, line)))
        shapes.append(("50 MB text", text_file("fifty.txt", 50_000_000, line)))
    one_line = os.path.join(folder, "one-line.txt")
    with open(one_line, "wb") as out:
        out.write(b"word " * 400_000)
    shapes.append(("2 MB one line", one_line))
    tiny = os.path.join(folder, "six.txt")
    with open(tiny, "wb") as out:
        out.write(b"hello\n")
    shapes.append(("6-byte file", tiny))
    return shapes


def children_of():
    """Parent pid -> child pids, for every process on the machine."""
    children = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        children.setdefault(int(fields[1]), []).append(int(entry))
    return children


def tree(pid):
    """`pid` and all its descendants."""
    children = children_of()
    found, todo = [], [pid]
    while todo:
        p = todo.pop()
        found.append(p)
        todo.extend(children.get(p, []))
    return found


def cpu_ns(pids):
    """Processor time used so far by the threads of these processes, in nanoseconds."""
    total = 0
    for pid in pids:
        try:
            tasks = os.listdir(f"/proc/{pid}/task")
        except OSError:
            continue
        for tid in tasks:
            try:
                with open(f"/proc/{pid}/task/{tid}/schedstat") as f:
                    total += int(f.read().split()[0])
            except (OSError, ValueError, IndexError):
                pass
    return total


def resident_kb(pids):
    total = 0
    for pid in pids:
        try:
            with open(f"/proc/{pid}/status") as f:
                status = f.read().splitlines()
        except OSError:
            continue
        if status and status[0].split(None, 1)[-1] in BUS:
            continue
        for line in status:
            if line.startswith("VmRSS:"):
                total += int(line.split()[1])
    return total


def running(pid):
    """Whether the process is there and not yet ended (a zombie has ended)."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except (OSError, IndexError):
        return False


def stop(pids):
    """Ends the processes this script started (and theirs), by pid."""
    for sig in (signal.SIGTERM, signal.SIGKILL):
        alive = []
        for pid in pids:
            try:
                os.kill(pid, sig)
                alive.append(pid)
            except ProcessLookupError:
                pass
        deadline = time.monotonic() + 3
        while alive and time.monotonic() < deadline:
            alive = [p for p in alive if running(p)]
            time.sleep(0.05)
        if not alive:
            return


def measure(command, env, log):
    """Launch to idle in milliseconds and resident memory in MB, or None when it never idled."""
    start = time.monotonic()
    process = subprocess.Popen(["dbus-run-session", "--", *command], env=env, stdout=log,
                               stderr=log, stdin=subprocess.DEVNULL)
    last_busy = last = start
    last_cpu = 0
    seen = [process.pid]
    try:
        while True:
            time.sleep(POLL)
            now = time.monotonic()
            if process.poll() is not None:
                return None  # it ended (or failed to start): nothing to measure
            seen = sorted(set(seen) | set(tree(process.pid)))
            used = cpu_ns(seen)
            # Threads that ended take their time with them: only growth counts.
            if used - last_cpu > BUSY * (now - last) * 1e9:
                last_busy = now
            last_cpu, last = used, now
            if now - last_busy >= QUIET:
                return (last_busy - start) * 1000, resident_kb(tree(process.pid)) / 1000
            if now - start > TIMEOUT:
                return None
    finally:
        stop(sorted(set(seen) | set(tree(process.pid))))
        process.wait()


def start_display():
    """A private Xvfb server: (process, display name)."""
    for _ in range(20):
        number = random.randrange(300, 30000)
        if os.path.exists(f"/tmp/.X11-unix/X{number}") or os.path.exists(f"/tmp/.X{number}-lock"):
            continue
        server = subprocess.Popen(["Xvfb", f":{number}", "-noreset", "-screen", "0",
                                   "1280x800x24", "-nolisten", "tcp"],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline and server.poll() is None:
            if os.path.exists(f"/tmp/.X11-unix/X{number}"):
                return server, f":{number}"
            time.sleep(0.05)
        if server.poll() is None:
            server.kill()
        server.wait()
    return None, None


def main():
    parser = argparse.ArgumentParser()
    here = os.path.dirname(os.path.abspath(__file__))
    parser.add_argument("quillo", nargs="?", default=os.path.join(here, "..", "build", "quillo"))
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--quick", action="store_true")
    args = parser.parse_args()

    peers = [p for p in PEERS if shutil.which(p)]
    missing = [tool for tool in ("Xvfb", "dbus-run-session") if not shutil.which(tool)]
    if missing or not peers:
        print(f"open_peers: skipped ({' and '.join(missing or PEERS)} not installed)")
        return 0
    programs = [("quillo", os.path.abspath(args.quillo))] if os.access(args.quillo, os.X_OK) else []
    programs += [(p, shutil.which(p)) for p in peers]

    root = tempfile.mkdtemp(prefix="quillo-peers-")
    server = None
    try:
        server, display = start_display()
        if server is None:
            print("open_peers: skipped (no Xvfb display could be started)")
            return 0
        shapes = make_files(root, args.quick)
        log = open(os.path.join(root, "programs.log"), "w")
        failed = False
        for shape, path in shapes:
            for name, program in programs:
                times, memory = [], []
                for run in range(args.runs):
                    # A fresh home each run: no program finds settings or sessions of a run
                    # before, nor anything of the caller's.
                    home = tempfile.mkdtemp(prefix="home-", dir=root)
                    keep = ("PATH", "LANG", "LC_ALL", "TZ")
                    env = {k: v for k, v in os.environ.items() if k in keep}
                    env.update(DISPLAY=display, HOME=home, QT_QPA_PLATFORM="xcb",
                               XDG_CONFIG_HOME=os.path.join(home, ".config"),
                               XDG_DATA_HOME=os.path.join(home, ".local", "share"),
                               XDG_CACHE_HOME=os.path.join(home, ".cache"),
                               XDG_RUNTIME_DIR=home, QTWEBENGINE_DISABLE_SANDBOX="1")
                    env.setdefault("LANG", "C.UTF-8")
                    result = measure([program, path], env, log)
                    shutil.rmtree(home, ignore_errors=True)
                    if result:
                        times.append(result[0])
                        memory.append(result[1])
                if not times:
                    print(f"BENCH|open {shape}: {name}: FAILED (never went idle)|||", flush=True)
                    failed = True
                    continue
                print(f"BENCH|open {shape}: {name}, launch to idle|"
                      f"{statistics.median(times):.0f}|ms (median of {len(times)})|", flush=True)
                print(f"BENCH|open {shape}: {name}, resident memory|"
                      f"{statistics.median(memory):.1f}|MB|", flush=True)
        log.close()
        return 1 if failed else 0
    finally:
        if server is not None:
            stop([server.pid])
            server.wait()
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
