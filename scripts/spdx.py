#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The licence line at the top of every source, script and CMake file.

    python3 scripts/spdx.py check      lists each tracked file that lacks the line; exit 1 if any
    python3 scripts/spdx.py add [FILE...]
                                       gives the line to each file that lacks it (by default every
                                       tracked one), in the comment syntax of its kind, after a
                                       "#!" line; files that have it already stay as they are

A file has the line when one of its first five lines holds
"SPDX-License-Identifier: GPL-3.0-or-later". Sources, headers, scripts, CMake files and Windows
resource and installer scripts count; data, pictures, help pages, manual pages, package lists and
patches do not.
"""
import pathlib
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
TAG = "SPDX-License-Identifier: GPL-3.0-or-later"
LINES_LOOKED_AT = 5

SLASHES = "//"
HASH = "#"
# By the end of the name: the comment that starts a line in such a file.
SUFFIXES = {
    ".cpp": SLASHES,
    ".cc": SLASHES,
    ".c": SLASHES,
    ".h": SLASHES,
    ".hpp": SLASHES,
    ".h.in": SLASHES,
    ".rc": SLASHES,  # windres runs the C preprocessor over resource scripts
    ".rc.in": SLASHES,
    ".py": HASH,
    ".sh": HASH,
    ".cmake": HASH,
    ".nsi": HASH,  # NSIS takes "#" and ";" for comments
    ".nsh": HASH,
}
NAMES = {"CMakeLists.txt": HASH, "Makefile": HASH}
# Templates of shell scripts, by folder.
FOLDERS = {"packaging/bash-completion": HASH}


def comment_of(path: str):
    """The line comment of a file that must carry the line, None for one out of scope."""
    name = path.rsplit("/", 1)[-1]
    if name in NAMES:
        return NAMES[name]
    for suffix in sorted(SUFFIXES, key=len, reverse=True):
        if name.endswith(suffix):
            return SUFFIXES[suffix]
    folder = path.rsplit("/", 1)[0] if "/" in path else ""
    if folder in FOLDERS:
        return FOLDERS[folder]
    if "." not in name:
        # A script without an extension (.ci/run) starts with "#!".
        try:
            with open(ROOT / path, "rb") as f:
                if f.read(2) == b"#!":
                    return HASH
        except OSError:
            pass
    return None


def tracked() -> list:
    out = subprocess.run(["git", "ls-files", "-z"], cwd=ROOT, capture_output=True, check=True)
    return [p for p in out.stdout.decode().split("\0") if p]


def has_tag(text: str) -> bool:
    return any(TAG in line for line in text.splitlines()[:LINES_LOOKED_AT])


def with_tag(text: str, comment: str) -> str:
    """text with the licence line first, or second after a "#!" line."""
    if has_tag(text):
        return text
    line = f"{comment} {TAG}\n"
    if text.startswith("#!"):
        first, _, rest = text.partition("\n")
        return f"{first}\n{line}{rest}"
    return line + text


def in_scope(paths):
    for path in paths:
        comment = comment_of(path)
        if comment is not None and (ROOT / path).is_file():
            yield path, comment


def check() -> int:
    lacking = []
    files = list(in_scope(tracked()))
    for path, _ in files:
        text = (ROOT / path).read_text(encoding="utf-8", errors="replace")
        if not has_tag(text):
            lacking.append(path)
    for path in lacking:
        print(path)
    print(f"check-spdx: {len(files) - len(lacking)} of {len(files)} source, script and CMake files "
          f"have \"{TAG}\" in their first {LINES_LOOKED_AT} lines"
          + (f"; {len(lacking)} lack it (above). `python3 scripts/spdx.py add` adds it."
             if lacking else "."), file=sys.stderr)
    return 1 if lacking else 0


def add(paths) -> int:
    given = bool(paths)
    changed = 0
    for path in paths or tracked():
        relative = str(pathlib.Path(path).resolve().relative_to(ROOT)) if given else path
        comment = comment_of(relative)
        if comment is None:
            if given:
                print(f"add-spdx: {relative} is not a source, script or CMake file; left alone",
                      file=sys.stderr)
            continue
        file = ROOT / relative
        data = file.read_bytes()
        text = data.decode("utf-8")
        new = with_tag(text, comment)
        if new != text:
            # Keep the file's line ends.
            if b"\r\n" in data:
                new = new.replace("\r\n", "\n").replace("\n", "\r\n")
            file.write_bytes(new.encode("utf-8"))
            changed += 1
            print(f"add-spdx: {relative}")
    print(f"add-spdx: the line added to {changed} files", file=sys.stderr)
    return 0


def main(argv) -> int:
    if len(argv) >= 2 and argv[1] == "check" and len(argv) == 2:
        return check()
    if len(argv) >= 2 and argv[1] == "add":
        return add(argv[2:])
    print(__doc__.split("\n\n")[1], file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
