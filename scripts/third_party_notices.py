#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes THIRD-PARTY-NOTICES.txt of a Windows download: for each component built into its
programs or shipped beside them, what it is, where it is in the download, its licence, the
Debian source package and version it was built from, and the copyright file Debian ships for
it; then the full text of every licence those files refer to.

    third_party_notices.py --output FILE --download NAME [--versions FILE] [--qt FOLDER]
                           --component KEY=WHERE [--component KEY=WHERE ...]

KEY is one of the components below; WHERE says where it is in the download ("tessaroll-cli.exe,
linked statically"). A component's version is the one a --versions file gives (lines "source
version", as scripts/test-windows.sh and scripts/windows-gui.sh write them), else the source
version of the installed Debian package whose copyright file is used. The text has Windows line
ends; the same inputs give the same bytes.
"""
import argparse
import dataclasses
import os
import pathlib
import re
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
COMMON_LICENSES = pathlib.Path("/usr/share/common-licenses")
DOC = pathlib.Path("/usr/share/doc")


@dataclasses.dataclass
class Component:
    name: str
    what: str
    licence: str  # SPDX expression
    source: str  # Debian source package
    package: str  # an installed binary package of that source, whose copyright file is used
    note: str = ""


COMPONENTS = {
    "gmp": Component(
        "GMP", "the GNU multiple precision arithmetic library",
        "LGPL-3.0-or-later OR GPL-2.0-or-later", "gmp", "libgmp10",
        "Built from Debian's source package with Debian's patches, unchanged, as a static "
        "library."),
    "mpfr": Component(
        "MPFR", "the GNU multiple-precision floating-point library with correct rounding",
        "LGPL-3.0-or-later", "mpfr4", "libmpfr6",
        "Built from Debian's source package with Debian's patches, unchanged, as a static "
        "library."),
    "nettle": Component(
        "Nettle", "a low-level cryptographic library (its SHA-256 only)",
        "LGPL-3.0-or-later OR GPL-2.0-or-later", "nettle", "libnettle8",
        "Built from Debian's source package with Debian's patches, unchanged, as a static "
        "library without its public-key part."),
    "cli11": Component(
        "CLI11", "a command-line parser for C++ (headers only)", "BSD-3-Clause", "cli11",
        "libcli11-dev"),
    "nlohmann-json": Component(
        "nlohmann-json", "JSON for Modern C++ (headers only)", "MIT", "nlohmann-json3",
        "nlohmann-json3-dev"),
    "wine-code-pages": Component(
        "Wine's code page files", "the tables of Windows' code pages 874 and 1250 to 1258, best "
        "fit included, which Tessaroll's engine carries (engine/code_page_tables.h, made by "
        "scripts/make_code_page_tables.py from the files c_NNNN.nls)",
        "LGPL-2.1-or-later", "wine", "libwine"),
    "gcc-runtime": Component(
        "GCC run-time libraries", "libstdc++ and libgcc of the GNU Compiler Collection, as "
        "built by Debian for mingw-w64",
        "GPL-3.0-or-later WITH GCC-exception-3.1", "gcc-mingw-w64", "gcc-mingw-w64-base",
        "The GCC Runtime Library Exception, in the copyright file below, allows shipping "
        "these libraries with programs under any licence."),
    "mingw-w64": Component(
        "mingw-w64 run time", "the C run-time start-up code and winpthreads of the mingw-w64 "
        "project", "ZPL-2.1 AND MIT AND BSD-3-Clause (parts in the public domain)", "mingw-w64",
        "mingw-w64-common"),
    "qt": Component(
        "Qt", "Qt's Core, Gui, Widgets and PrintSupport libraries and the windows platform and "
        "Windows style plug-ins, with the third-party code they contain (zlib, PCRE2, libpng, "
        "HarfBuzz, FreeType, double-conversion, md4c and others, each named with its licence "
        "in the copyright file below)",
        "LGPL-3.0-only OR GPL-2.0-only OR GPL-3.0-only", "qt6-base", "libqt6core6",
        "Cross-built for Windows from Debian's source package with Debian's patches and one "
        "change of Tessaroll's, scripts/qt-windows/direct2d-off.patch in Tessaroll's source, "
        "which lets Qt build without Direct2D; Qt's copies of its third-party libraries were "
        "used. Under the LGPL you may replace these DLLs with your own build of Qt 6.4."),
}

# Licence names Debian's copyright files use for /usr/share/common-licenses that are links.
ORDER = ["GPL-3", "LGPL-3", "GPL-2", "LGPL-2.1", "LGPL-2", "GPL-1", "GFDL-1.3", "GFDL-1.2",
         "Apache-2.0", "Artistic", "MPL-1.1", "MPL-2.0", "CC0-1.0", "BSD"]
RULE = "=" * 78


def installed_source_version(package: str) -> str:
    out = subprocess.run(["dpkg-query", "-W", "-f=${source:Version}\\n", package],
                         capture_output=True, text=True)
    versions = [v for v in out.stdout.splitlines() if v]
    return versions[0] if out.returncode == 0 and versions else ""


def licences_named(text: str) -> list:
    """The files of /usr/share/common-licenses a copyright file refers to, links resolved."""
    found = set()
    for name in re.findall(r"/usr/share/common-licenses/([A-Za-z0-9+_.-]*[A-Za-z0-9+_-])", text):
        path = COMMON_LICENSES / name
        if path.exists():
            found.add(os.path.realpath(path).rsplit("/", 1)[-1])
    return sorted(found, key=lambda n: (ORDER.index(n) if n in ORDER else len(ORDER), n))


def notices(download: str, components, versions: dict) -> str:
    parts = []
    texts = []
    index = []
    for number, (key, where) in enumerate(components, 1):
        c = COMPONENTS[key]
        copyright_file = DOC / c.package / "copyright"
        copyright_text = copyright_file.read_text(encoding="utf-8").rstrip("\n")
        installed = installed_source_version(c.package)
        version = versions.get(c.source) or installed
        if not version:
            raise SystemExit(f"third_party_notices: no version of {c.source}: {c.package} is "
                             "not installed and no --versions file names it")
        origin = f"Debian's copyright file of {c.package}"
        if installed and installed != version:
            origin += f" {installed} (the version installed where this download was made)"
        for name in licences_named(copyright_text):
            if name not in texts:
                texts.append(name)
        index.append(f"  {number}. {c.name} ({c.licence}): {where}")
        section = [
            RULE,
            f"{number}. {c.name}: {c.what}",
            RULE,
            f"Where:    {where}",
            f"Licence:  {c.licence}",
            f"Source:   Debian source package {c.source}, version {version}",
            f"          (apt-get source {c.source}={version}, or",
            f"          https://snapshot.debian.org/package/{c.source}/{version}/)",
        ]
        if c.note:
            section += ["", c.note]
        section += ["", f"Copyright and licence ({origin}):", "", copyright_text, ""]
        parts.append("\n".join(section))
    texts.sort(key=lambda n: (ORDER.index(n) if n in ORDER else len(ORDER), n))
    head = [
        f"Third-party notices of {download}",
        "",
        "Tessaroll is free software under the GNU General Public License, version 3 or (at your",
        "option) any later version; its text is in LICENSE.txt. This download also holds the",
        "components below, each under its own licence. Every one was built from the Debian",
        "source package and version named with it, which Debian keeps available with its",
        "changes, build files and copyright file.",
        "",
        "The copyright files below refer to licence texts in /usr/share/common-licenses, which",
        "is a folder of Debian systems; those texts follow the last component, under",
        "\"Licence texts\".",
        "",
        "Components:",
        *index,
        "",
        "Licence texts: " + ", ".join(texts),
        "",
    ]
    tail = [RULE, "Licence texts", RULE, ""]
    for name in texts:
        body = (COMMON_LICENSES / name).read_text(encoding="utf-8").rstrip("\n")
        tail += [RULE, f"/usr/share/common-licenses/{name}", RULE, "", body, ""]
    text = "\n".join(head) + "\n" + "\n".join(parts) + "\n" + "\n".join(tail)
    return text.replace("\r\n", "\n").replace("\n", "\r\n")


def qt_version(folder: pathlib.Path) -> str:
    """The qt6-base version a Qt for Windows was built from, as scripts/build-qt-windows.sh or
    the prebuilt copy's notes say it."""
    for name, pattern in (("TESSAROLL-BUILD.txt", r"source: Debian qt6-base (\S+)"),
                          ("BUILD-NOTES.md", r"qt6-base source package \(([^)\s]+)\)")):
        try:
            found = re.search(pattern, (folder / name).read_text(encoding="utf-8"))
        except OSError:
            continue
        if found:
            return found.group(1).rstrip(",")
    return ""


def main(argv=None) -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--output", required=True, type=pathlib.Path)
    parser.add_argument("--download", required=True, help="the download's file name")
    parser.add_argument("--versions", type=pathlib.Path, action="append", default=[],
                        help='a file of "source version" lines')
    parser.add_argument("--qt", type=pathlib.Path, help="the Qt for Windows the programs use")
    parser.add_argument("--component", action="append", required=True, metavar="KEY=WHERE")
    args = parser.parse_args(argv)

    versions = {}
    # The engine's code-page tables name the libwine they were made from.
    made_from = re.search(r"Debian's libwine (\S+),",
                          (ROOT / "engine" / "code_page_tables.h").read_text(encoding="utf-8"))
    if made_from:
        versions["wine"] = made_from.group(1)
    if args.qt:
        versions["qt6-base"] = qt_version(args.qt)
    for file in args.versions:
        for line in file.read_text().splitlines():
            if line.strip():
                source, version = line.split(None, 1)
                versions[source] = version.strip()
    components = []
    for item in args.component:
        key, sep, where = item.partition("=")
        if not sep or key not in COMPONENTS or not where:
            parser.error(f"--component {item}: KEY=WHERE with KEY one of "
                         + ", ".join(COMPONENTS))
        components.append((key, where))
    text = notices(args.download, components, versions)
    partial = args.output.with_name(args.output.name + ".tmp")
    partial.write_bytes(text.encode("utf-8"))
    partial.replace(args.output)
    return 0


if __name__ == "__main__":
    sys.exit(main())
