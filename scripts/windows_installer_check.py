#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""What scripts/test-windows-installer.sh looks at in an installed copy, from Linux:

    windows_installer_check.py link FILE.lnk
        prints the target, the working folder and the icon of a Windows shortcut, one a line
    windows_installer_check.py resources VERSION EXE...
        checks that each program carries the icon (16, 24, 32, 48 and 256 pixels) and version
        information naming VERSION, as Explorer shows them
    windows_installer_check.py same-files ZIP FOLDER
        checks that FOLDER holds exactly the zip's files in the installed layout (bin\\, the help
        pages in share\\tessaroll\\, the licence and notices at the top), byte for byte, and
        uninstall.exe
    windows_installer_check.py digest FOLDER
        prints a line of name and SHA-256 for each file under FOLDER
    windows_installer_check.py reference VECTORS
        prints the personal password, day, month and year of a reference vector the window
        program computes with its settings at their defaults (4 passwords of 10 digits, code page
        1252), then its passwords, one a line

Exit status 1 when a check fails, with the reason on standard error. "resources" needs Debian's
python3-pefile, for /usr/bin/python3.
"""
import hashlib
import json
import pathlib
import struct
import sys
import zipfile

ICON_SIZES = [16, 24, 32, 48, 256]


def fail(text: str):
    print(f"windows_installer_check: {text}", file=sys.stderr)
    sys.exit(1)


def read_link(data: bytes) -> dict:
    """The target, working folder and icon of a shell link (.lnk), from its LinkInfo and
    StringData parts."""
    if len(data) < 76 or struct.unpack_from("<I", data, 0)[0] != 0x4C:
        raise ValueError("not a shell link")
    flags = struct.unpack_from("<I", data, 20)[0]
    pos = 76
    if flags & 0x1:  # HasLinkTargetIDList
        pos += 2 + struct.unpack_from("<H", data, pos)[0]
    found = {}
    if flags & 0x2:  # HasLinkInfo
        size, header, info_flags, _, base, _, suffix = struct.unpack_from("<7I", data, pos)
        if info_flags & 0x1:  # VolumeIDAndLocalBasePath
            if header >= 0x24:
                unicode_base = struct.unpack_from("<I", data, pos + 28)[0]
                end = data.index(b"\0\0", pos + unicode_base)
                while (end - pos - unicode_base) % 2:
                    end = data.index(b"\0\0", end + 1)
                found["target"] = data[pos + unicode_base:end].decode("utf-16-le")
            else:
                end = data.index(b"\0", pos + base)
                found["target"] = data[pos + base:end].decode("cp1252")
        pos += size
    unicode = bool(flags & 0x80)
    for bit, key in ((0x4, "name"), (0x8, "relative"), (0x10, "folder"), (0x20, "arguments"),
                     (0x40, "icon")):
        if flags & bit:
            count = struct.unpack_from("<H", data, pos)[0]
            pos += 2
            width = 2 if unicode else 1
            raw = data[pos:pos + count * width]
            found[key] = raw.decode("utf-16-le" if unicode else "cp1252")
            pos += count * width
    return found


def check_resources(version: str, programs) -> None:
    import pefile  # Debian's python3-pefile

    for program in programs:
        pe = pefile.PE(program, fast_load=True)
        pe.parse_data_directories(
            directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
        name = pathlib.Path(program).name
        strings = {}
        for info in getattr(pe, "FileInfo", [[]])[0]:
            if info.Key == b"StringFileInfo":
                for table in info.StringTable:
                    strings.update({k.decode(): v.decode() for k, v in table.entries.items()})
        for key in ("FileVersion", "ProductVersion"):
            if strings.get(key) != version:
                fail(f"{name}: {key} is {strings.get(key)!r}, not {version!r}")
        if strings.get("OriginalFilename") != name or not strings.get("FileDescription"):
            fail(f"{name}: its version information names {strings.get('OriginalFilename')!r}, "
                 f"described as {strings.get('FileDescription')!r}")
        fixed = pe.VS_FIXEDFILEINFO[0]
        numbers = [fixed.FileVersionMS >> 16, fixed.FileVersionMS & 0xFFFF,
                   fixed.FileVersionLS >> 16, fixed.FileVersionLS & 0xFFFF]
        if ".".join(map(str, numbers)) != version + ".0":
            fail(f"{name}: the file version is {numbers}, not {version}.0")
        icons = []
        for entry in pe.DIRECTORY_ENTRY_RESOURCE.entries:
            if entry.id == pefile.RESOURCE_TYPE["RT_GROUP_ICON"]:
                group = entry.directory.entries[0].directory.entries[0].data.struct
                raw = pe.get_data(group.OffsetToData, group.Size)
                count = struct.unpack_from("<H", raw, 4)[0]
                icons = sorted(raw[6 + 14 * i] or 256 for i in range(count))
        if icons != ICON_SIZES:
            fail(f"{name}: its icon has the sizes {icons}, not {ICON_SIZES}")
        print(f"{name}: {strings['FileDescription']} {strings['FileVersion']}, "
              f"\"{strings['LegalCopyright']}\", icon of {', '.join(map(str, icons))} pixels")


def installed_name(name: str) -> str:
    """Where a file of the zip's folder is in the installed layout."""
    if name.endswith(".htm"):
        return "share/tessaroll/" + name
    if name in ("LICENSE.txt", "THIRD-PARTY-NOTICES.txt"):
        return name
    return "bin/" + name


def same_files(zip_path: str, folder: str) -> None:
    root = pathlib.Path(folder)
    expected = {}
    with zipfile.ZipFile(zip_path) as archive:
        for info in archive.infolist():
            if info.is_dir():
                continue
            inner = info.filename.split("/", 1)[1]
            expected[installed_name(inner)] = archive.read(info)
    present = {str(p.relative_to(root)) for p in root.rglob("*") if p.is_file()}
    missing = sorted(set(expected) - present)
    extra = sorted(present - set(expected) - {"uninstall.exe"})
    differ = sorted(n for n in set(expected) & present if (root / n).read_bytes() != expected[n])
    if missing or extra or differ or "uninstall.exe" not in present:
        fail(f"the installed files are not the zip's: missing {missing}, not in the zip {extra}, "
             f"different {differ}, uninstall.exe {'there' if 'uninstall.exe' in present else 'missing'}")
    print(f"{len(expected)} files as in the zip, byte for byte, and uninstall.exe")


def digest(folder: str) -> None:
    root = pathlib.Path(folder)
    for path in sorted(p for p in root.rglob("*") if p.is_file()):
        print(f"{path.relative_to(root)} {hashlib.sha256(path.read_bytes()).hexdigest()}")


def reference(vectors: str) -> None:
    for line in pathlib.Path(vectors).read_text(encoding="utf-8").splitlines():
        v = json.loads(line) if line.strip() else {}
        personal = v.get("personal", "")
        if ("passwords" in v and v["count"] == 4 and v["length"] == 10
                and set(v["pattern"]) <= {"d"} and "code_page" not in v
                and 6 <= len(personal) <= 12 and personal.isascii() and personal.isalnum()):
            print(personal, v["day"], v["month"], v["year"])
            print("\n".join(v["passwords"]))
            return
    fail(f"{vectors} has no vector with the window program's default settings")


def main(argv) -> int:
    if len(argv) >= 3 and argv[1] == "link":
        found = read_link(pathlib.Path(argv[2]).read_bytes())
        for key in ("target", "folder", "icon"):
            print(found.get(key, ""))
        return 0
    if len(argv) >= 4 and argv[1] == "resources":
        check_resources(argv[2], argv[3:])
        return 0
    if len(argv) == 4 and argv[1] == "same-files":
        same_files(argv[2], argv[3])
        return 0
    if len(argv) == 3 and argv[1] == "digest":
        digest(argv[2])
        return 0
    if len(argv) == 3 and argv[1] == "reference":
        reference(argv[2])
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
