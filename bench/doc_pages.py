#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes a large page made of the HTML documentation installed on this machine, for measuring
the stripper on real pages: the files under /usr/share/doc (and the Qt documentation when it is
installed), in a fixed order, concatenated and repeated until the output reaches the size asked
for (the last one cut there). Files that are not valid UTF-8 are left out unless --any-encoding
is given (one such file makes the whole page read as Windows-1252).

    bench/doc_pages.py OUT [--size MB] [--any-encoding]

Exits 3 when no HTML file is found."""
import argparse
import os
import sys

ROOTS = ["/usr/share/doc", "/usr/share/qt6/doc", "/usr/share/qt5/doc"]


def pages(any_encoding):
    for root in ROOTS:
        found = []
        for folder, _, names in os.walk(root):
            found += [os.path.join(folder, n) for n in names if n.endswith((".html", ".htm"))]
        for path in sorted(found):
            try:
                with open(path, "rb") as f:
                    data = f.read()
            except OSError:
                continue
            if not any_encoding:
                try:
                    data.decode("utf-8")
                except UnicodeDecodeError:
                    continue
            if data:
                yield data


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("out")
    parser.add_argument("--size", type=float, default=52.0, help="megabytes (10^6 bytes)")
    parser.add_argument("--any-encoding", action="store_true")
    args = parser.parse_args()
    found = list(pages(args.any_encoding))
    if not found:
        print("doc_pages: no HTML documentation found", file=sys.stderr)
        return 3
    target = int(args.size * 1e6)
    written = 0
    with open(args.out, "wb") as out:
        while written < target:
            for data in found:
                if written >= target:
                    break
                data = data[: target - written]
                out.write(data)
                written += len(data)
    print(f"doc_pages: {written / 1e6:.1f} MB from {len(found)} files", file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
