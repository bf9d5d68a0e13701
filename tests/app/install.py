#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The installed layout: `cmake --install` into a temporary prefix, then what a desktop and a
distribution need from it (menu entry, file type, software-centre data, icons, manual page,
changelog), checked by their own validators, and the Debian package by lintian.

Usage: install.py BUILD_DIR SOURCE_DIR"""

import glob
import gzip
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

APP_ID = "org.example.quillo"
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what)


def run(*args, env=None):
    p = subprocess.run(args, capture_output=True, text=True, env=env, timeout=300)
    return p.returncode, p.stdout, p.stderr


def tool_run_ok(*args, env=None, quiet=None):
    """Runs a validator: missing (scripts/ensure-deps.sh installs them) or complaining, a failure."""
    if shutil.which(args[0]) is None:
        check(False, args[0] + " is not installed")
        return
    rc, out, err = run(*args, env=env)
    said = {"out": out, "err": err}.get(quiet, "")
    check(rc == 0 and not said.strip(),
          " ".join(args) + "\n" + out + err)


def entry_values(path, key):
    lines = [l for l in open(path, encoding="utf-8") if l.startswith(key + "=")]
    return [v for v in lines[0].rstrip("\n")[len(key) + 1:].split(";") if v] if lines else []


def main(build, source):
    version = re.search(r'QUILLO_VERSION_STRING "([^"]+)"',
                        open(os.path.join(build, "generated", "Version.h")).read()).group(1)
    prefix = tempfile.mkdtemp(prefix="quillo-install-")
    p = lambda relative: os.path.join(prefix, relative)
    rc, out, err = run("cmake", "--install", build, "--prefix", prefix)
    if rc != 0:
        print(out + err)
        return 1

    # Both programs and nothing else in bin/; the icon at every size a desktop asks for.
    check(sorted(os.listdir(p("bin"))) == ["quillo", "quillo-cli"], f"bin/: {os.listdir(p('bin'))}")
    for side in (16, 24, 32, 48, 64, 128, 256):
        with open(p(f"share/icons/hicolor/{side}x{side}/apps/quillo.png"), "rb") as f:
            head = f.read(24)
        check(head[:8] == b"\x89PNG\r\n\x1a\n" and struct.unpack(">II", head[16:24]) == (side, side),
              f"{side}x{side} icon")
    check(ET.parse(p("share/icons/hicolor/scalable/apps/quillo.svg")).getroot().tag.endswith("svg")
          and open(p("share/quillo/readme.qlo"), "rb").read(6) == b"{\\rtf1", "svg icon, readme")

    # The desktop entry and the metainfo pass their validators and agree with each other and
    # with what is installed.
    desktop = p(f"share/applications/{APP_ID}.desktop")
    metainfo = p(f"share/metainfo/{APP_ID}.metainfo.xml")
    tool_run_ok("desktop-file-validate", desktop)
    tool_run_ok("appstreamcli", "validate", "--no-net", "--pedantic", metainfo)
    tool_run_ok("appstreamcli", "validate-tree", "--no-net", prefix)
    types = [e.text for e in ET.parse(metainfo).iter("mediatype")]
    check(types == entry_values(desktop, "MimeType"), f"media types {types}")
    icon = entry_values(desktop, "Icon")
    check(len(icon) == 1 and os.path.exists(p(f"share/icons/hicolor/48x48/apps/{icon[0]}.png")),
          f"Icon {icon}")

    # The MIME database tool takes our file type and maps *.qlo to it.
    if shutil.which("update-mime-database"):
        data = tempfile.mkdtemp(prefix="quillo-mime-")
        os.makedirs(os.path.join(data, "mime/packages"))
        shutil.copy(p("share/mime/packages/quillo.xml"), os.path.join(data, "mime/packages"))
        tool_run_ok("update-mime-database", os.path.join(data, "mime"), quiet="err",
                    env=dict(os.environ, XDG_DATA_DIRS=data))
        check(":application/x-quillo-document:*.qlo" in open(os.path.join(data, "mime/globs2")).read(),
              "*.qlo in the MIME globs")
        shutil.rmtree(data)

    # The changelog: compressed without a name or time stamp, so that every build gives the
    # same bytes, and one dpkg reads at the project's version.
    changelog = p("share/doc/quillo/changelog.gz")
    head = open(changelog, "rb").read(10)
    check(head[:3] == b"\x1f\x8b\x08" and head[3:8] == bytes(5), "changelog.gz header")
    if shutil.which("dpkg-parsechangelog"):
        with tempfile.NamedTemporaryFile("wb", suffix="changelog") as text:
            text.write(gzip.open(changelog).read())
            text.flush()
            rc, out, err = run("dpkg-parsechangelog", "-l", text.name, "-S", "Version")
            check(rc == 0 and not err and out.strip() == version, f"changelog version {out}{err}")

    # The manual page describes every command and option that `quillo-cli --help` lists.
    roff = gzip.open(p("share/man/man1/quillo-cli.1.gz")).read().decode()
    check("\n.TH QUILLO-CLI 1 " in roff and version in roff, "manual page header")
    plain = roff.replace("\\-", "-")
    rc, out, _ = run(p("bin/quillo-cli"), "--help")
    listed = [line.split()[0] for line in out.split("\n") if re.match(r"  \S", line)]
    check(listed == ["strip", "decode", "convert", "--help", "--version"], f"--help lists {listed}")
    for item in listed + ["0", "1", "2"]:  # the commands and options, then the exit statuses
        check(any(f in plain for f in ("\\fB" + item, ".B " + item, ".BR " + item, ".BI " + item + " ")),
              f"{item} in the manual page")

    # The editor's manual page names everything `quillo --help` lists. Help and version need no
    # display; a usage error goes to standard error with status 2.
    roff = gzip.open(p("share/man/man1/quillo.1.gz")).read().decode().replace("\\-", "-")
    bare = {k: v for k, v in os.environ.items()
            if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    rc, out, _ = run(p("bin/quillo"), "--help", env=bare)
    listed = [w.rstrip(",") for line in out.split("\n") if re.match(r"  \S", line)
              for w in line.split()[:2] if w[0] in "-+"]
    check(rc == 0 and out.startswith("Usage: quillo ")
          and listed == ["+LINE", "-h", "--help", "-v", "--version", "--"],
          f"quillo --help lists {listed}")
    rc, out, _ = run(p("bin/quillo"), "a.txt", "--version", env=bare)
    check(rc == 0 and out == f"quillo (Quillo Meridian) {version}\n", f"quillo --version: {out!r}")
    rc, _, err = run(p("bin/quillo"), "--nonsense", env=dict(bare, QT_QPA_PLATFORM="offscreen"))
    check(rc == 2 and "unknown option '--nonsense'" in err, f"quillo --nonsense: {rc} {err!r}")
    for item in listed[1:] + ["0", "2"]:
        check(re.search(r'^\.B\w* (.* )?"?' + re.escape(item) + r'( |"|$)', roff, re.M),
              f"{item} in the editor's manual page")
    check(".BI + LINE" in roff, "+LINE in the editor's manual page")
    check(entry_values(desktop, "Exec") == ["quillo %F"] and os.access(p("bin/quillo"), os.X_OK),
          "the menu entry starts the installed program and passes every file")

    # Every source file names its licence.
    rc, out, err = run("bash", os.path.join(source, "scripts/add-spdx.sh"), "--check")
    check(rc == 0, "licence lines: " + out + err)

    # What a distribution's reviewer runs on the package: no errors, no warnings.
    output = tempfile.mkdtemp(prefix="quillo-deb-")
    rc, out, err = run("cpack", "-G", "DEB", "-B", output, "--config",
                       os.path.join(build, "CPackConfig.cmake"))
    debs = glob.glob(os.path.join(output, "*.deb"))
    check(rc == 0 and len(debs) == 1, "cpack: " + out + err)
    if debs and shutil.which("lintian"):
        tool_run_ok("lintian", "--fail-on", "error,warning", debs[0], quiet="out")
    shutil.rmtree(output)

    shutil.rmtree(prefix)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
