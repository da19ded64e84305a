#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Packs a Windows download. The entries carry a fixed date and come in a fixed order, so the
same files give the same zip, byte for byte.

The command-line companion: tessaroll-cli.exe, the README as text, a short note on --code-page,
the licence and the third-party notices, each with Windows line ends where it is text:

    windows-zip.py --exe tessaroll-cli.exe --readme README.md --license LICENSE
                   --notices THIRD-PARTY-NOTICES.txt --output NAME.zip

A folder as it is, under its own name (the window program's portable zip):

    windows-zip.py --folder DIR --output NAME.zip
"""
import argparse
import pathlib
import zipfile

CODE_PAGE_NOTE = """\
tessaroll-cli and code pages
============================

A password list depends on the numeric codes of the personal password's characters. Those codes
come from a Windows code page, and the option

    --code-page N

chooses which one, where N is one of

    874  Thai                1253  Greek               1256  Arabic
    1250 Central European    1254  Turkish             1257  Baltic
    1251 Cyrillic            1255  Hebrew              1258  Vietnamese
    1252 Western European

Without it, tessaroll-cli uses the system's ANSI code page on Windows (the one the window program
uses on the same machine) and 1252 on other systems.

A personal password of plain ASCII letters, digits and punctuation gives the same list with every
code page, so the option only matters for other characters. When you and the party who computes
the same lists use different systems, give both the same --code-page: the code page of the
Windows machine the lists were first made on. Type "tessaroll-cli generate --help" to see where
the option goes.

"tessaroll-cli self-test" checks that this copy computes the reference lists; it must report
"N of N vectors agree with the reference lists." with the same number twice.
"""

FIXED_DATE = (2002, 1, 2, 0, 0, 0)  # the first day with a password list


def crlf(text: str) -> bytes:
    return text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-8")


def add(archive: zipfile.ZipFile, name: str, data: bytes, executable: bool = False) -> None:
    info = zipfile.ZipInfo(name, FIXED_DATE)
    info.compress_type = zipfile.ZIP_DEFLATED
    info.external_attr = (0o755 if executable else 0o644) << 16
    archive.writestr(info, data, compresslevel=9)


def add_folder(archive: zipfile.ZipFile, folder: pathlib.Path) -> None:
    """Every folder and file under folder, by name, under folder's own name."""
    paths = sorted(folder.rglob("*"), key=lambda p: p.relative_to(folder).parts)
    for path in [folder] + paths:
        name = pathlib.PurePosixPath(folder.name, *path.relative_to(folder).parts)
        if path.is_dir():
            info = zipfile.ZipInfo(f"{name}/", FIXED_DATE)
            info.external_attr = (0o40755 << 16) | 0x10  # a folder, for Unix and for Windows
            archive.writestr(info, b"")
        else:
            add(archive, str(name), path.read_bytes(),
                executable=path.suffix.lower() in (".exe", ".dll"))


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", type=pathlib.Path)
    parser.add_argument("--readme", type=pathlib.Path)
    parser.add_argument("--license", type=pathlib.Path)
    parser.add_argument("--notices", type=pathlib.Path)
    parser.add_argument("--folder", type=pathlib.Path)
    parser.add_argument("--output", required=True, type=pathlib.Path)
    args = parser.parse_args()
    companion = (args.exe, args.readme, args.license, args.notices)
    if args.folder is None and None in companion:
        parser.error("give --exe, --readme, --license and --notices, or --folder")
    if args.folder is not None and companion != (None,) * 4:
        parser.error("--folder goes alone")

    partial = args.output.with_suffix(".zip.tmp")
    with zipfile.ZipFile(partial, "w") as archive:
        if args.folder is not None:
            add_folder(archive, args.folder)
        else:
            add(archive, "tessaroll-cli.exe", args.exe.read_bytes(), executable=True)
            add(archive, "README.txt", crlf(args.readme.read_text(encoding="utf-8")))
            add(archive, "CODE-PAGE.txt", crlf(CODE_PAGE_NOTE))
            add(archive, "LICENSE.txt", crlf(args.license.read_text(encoding="utf-8")))
            # Written with Windows line ends already.
            add(archive, "THIRD-PARTY-NOTICES.txt", args.notices.read_bytes())
    partial.replace(args.output)


if __name__ == "__main__":
    main()
