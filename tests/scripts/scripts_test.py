# SPDX-License-Identifier: GPL-3.0-or-later
"""The scripts that make the downloads: the licence line's check and mass edit, the icon, the
third-party notices and the zips."""
import io
import pathlib
import struct
import subprocess
import sys
import tempfile
import unittest
import zipfile
import zlib

ROOT = pathlib.Path(__file__).resolve().parent.parent.parent
sys.path.insert(0, str(ROOT / "scripts"))
import make_ico  # noqa: E402
import spdx  # noqa: E402
import third_party_notices  # noqa: E402

TAG = "SPDX-License-Identifier: GPL-3.0-or-later"


def png(width, height, pixel):
    """An 8-bit RGBA PNG whose rows use filters 0 to 4 in turn, pixel(x, y) giving RGBA."""
    raw = bytearray()
    previous = bytes(width * 4)
    for y in range(height):
        row = bytes(c for x in range(width) for c in pixel(x, y))
        kind = y % 5
        raw.append(kind)
        for i, value in enumerate(row):
            left = row[i - 4] if i >= 4 else 0
            up = previous[i]
            corner = previous[i - 4] if i >= 4 else 0
            predictor = [0, left, up, (left + up) // 2, 0][kind]
            if kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                predictor = left if pa <= pb and pa <= pc else up if pb <= pc else corner
            raw.append((value - predictor) & 0xFF)
        previous = row

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(
            ">I", zlib.crc32(kind + body))

    return (make_ico.PNG_SIGNATURE
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw))) + chunk(b"IEND", b""))


class SpdxTest(unittest.TestCase):
    def test_comment_of_each_kind(self):
        for path, comment in [
            ("engine/power.cpp", "//"), ("engine/power.h", "//"), ("cmake/version.h.in", "//"),
            ("packaging/windows/program.rc.in", "//"), ("ui/tessaroll.rc", "//"),
            ("scripts/spdx.py", "#"), ("scripts/test-package.sh", "#"),
            ("cmake/Warnings.cmake", "#"), ("tests/CMakeLists.txt", "#"), ("Makefile", "#"),
            ("packaging/windows/tessaroll.nsi", "#"),
            ("packaging/bash-completion/tessaroll-cli.in", "#"),
            ("README.md", None), ("ui/help/main.htm", None), ("tests/data/engine.jsonl", None),
            ("packaging/icons/16/tessaroll.png", None), ("scripts/packages/core.txt", None),
            ("packaging/man/tessaroll-cli.1.in", None), ("packaging/copyright", None),
        ]:
            with self.subTest(path=path):
                self.assertEqual(spdx.comment_of(path), comment)

    def test_a_script_without_extension_counts_by_its_first_line(self):
        self.assertEqual(spdx.comment_of(".ci/run"), "#")
        self.assertIsNone(spdx.comment_of("fuzz/corpus/box_number/half"))

    def test_the_line_goes_first_or_after_the_interpreter_once(self):
        for text, comment, expected in [
            ("int x;\n", "//", f"// {TAG}\nint x;\n"),
            ("#!/usr/bin/env bash\necho\n", "#", f"#!/usr/bin/env bash\n# {TAG}\necho\n"),
            ("#!/bin/sh", "#", f"#!/bin/sh\n# {TAG}\n"),
            ("", "#", f"# {TAG}\n"),
            (f"#!/bin/sh\n# {TAG}\necho\n", "#", f"#!/bin/sh\n# {TAG}\necho\n"),
            ("a\nb\nc\nd\n// " + TAG + "\n", "//", "a\nb\nc\nd\n// " + TAG + "\n"),
            ("a\nb\nc\nd\ne\n// " + TAG + "\n", "//", f"// {TAG}\na\nb\nc\nd\ne\n// {TAG}\n"),
        ]:
            with self.subTest(text=text):
                once = spdx.with_tag(text, comment)
                self.assertEqual(once, expected)
                self.assertEqual(spdx.with_tag(once, comment), once)
                self.assertTrue(spdx.has_tag(once))

    def test_check_names_the_files_that_lack_the_line(self):
        with tempfile.TemporaryDirectory() as folder:
            tree = pathlib.Path(folder)
            (tree / "scripts").mkdir()
            (tree / "scripts" / "spdx.py").write_bytes((ROOT / "scripts" / "spdx.py").read_bytes())
            (tree / "good.cpp").write_text(f"// {TAG}\n")
            (tree / "bad.sh").write_text("#!/bin/sh\necho\n")
            (tree / "notes.md").write_text("no line\n")
            subprocess.run(["git", "init", "-q"], cwd=tree, check=True)
            subprocess.run(["git", "add", "."], cwd=tree, check=True)
            run = [sys.executable, "scripts/spdx.py"]
            checked = subprocess.run(run + ["check"], cwd=tree, capture_output=True, text=True)
            self.assertEqual(checked.returncode, 1)
            self.assertEqual(checked.stdout.split(), ["bad.sh"])
            subprocess.run(run + ["add"], cwd=tree, check=True, capture_output=True)
            self.assertEqual(subprocess.run(run + ["check"], cwd=tree).returncode, 0)
            self.assertEqual((tree / "bad.sh").read_text(), f"#!/bin/sh\n# {TAG}\necho\n")
            self.assertEqual((tree / "notes.md").read_text(), "no line\n")


class IconTest(unittest.TestCase):
    def test_pictures_come_back_pixel_for_pixel(self):
        def pixel(x, y):
            return (x * 7 % 256, y * 13 % 256, (x ^ y) % 256, 0 if (x + y) % 5 == 0 else 200)

        pictures = [png(size, size, pixel) for size in (32, 16, 256, 48, 24)]
        ico = make_ico.make_ico(pictures)
        reserved, kind, count = struct.unpack_from("<HHH", ico, 0)
        self.assertEqual((reserved, kind, count), (0, 1, 5))
        sizes = []
        for i in range(count):
            side, _, _, _, planes, bits, length, offset = struct.unpack_from(
                "<BBBBHHII", ico, 6 + 16 * i)
            size = side or 256
            sizes.append(size)
            self.assertEqual((planes, bits), (1, 32))
            image = ico[offset:offset + length]
            if size == 256:
                self.assertEqual(image, pictures[2])
                continue
            self.assertEqual(struct.unpack_from("<iiHH", image, 4), (size, 2 * size, 1, 32))
            colour = image[40:40 + size * size * 4]
            mask = image[40 + size * size * 4:]
            stride = ((size + 31) // 32) * 4
            self.assertEqual(len(mask), stride * size)
            for y in range(size):
                for x in range(size):
                    row = size - 1 - y  # bottom up
                    b, g, r, a = colour[4 * (row * size + x):4 * (row * size + x) + 4]
                    self.assertEqual((r, g, b, a), pixel(x, y), (size, x, y))
                    transparent = bool(mask[row * stride + x // 8] & (0x80 >> (x % 8)))
                    self.assertEqual(transparent, pixel(x, y)[3] == 0, (size, x, y))
        self.assertEqual(sizes, [16, 24, 32, 48, 256])
        self.assertEqual(make_ico.make_ico(list(reversed(pictures))), ico)

    def test_refuses_what_it_cannot_read(self):
        for data, why in [(b"GIF89a", "not a PNG"), (png(16, 8, lambda x, y: (0, 0, 0, 0)),
                                                         "square")]:
            with self.subTest(why=why), self.assertRaisesRegex(ValueError, why):
                make_ico.make_ico([data])


class NoticesTest(unittest.TestCase):
    def test_each_component_with_its_source_version_and_the_licence_texts(self):
        with tempfile.TemporaryDirectory() as folder:
            versions = pathlib.Path(folder) / "VERSIONS"
            versions.write_text("gmp 2:9.9.9-1\nmpfr4 9.9-1\n")
            text = third_party_notices.notices(
                "example.zip", [("gmp", "a.exe"), ("mpfr", "b.exe"), ("cli11", "a.exe")],
                {"gmp": "2:9.9.9-1", "mpfr4": "9.9-1"})
        self.assertNotIn("\n", text.replace("\r\n", ""))
        text = text.replace("\r\n", "\n")
        for expected in ["1. GMP (LGPL-3.0-or-later OR GPL-2.0-or-later): a.exe",
                         "Source:   Debian source package gmp, version 2:9.9.9-1",
                         "Source:   Debian source package mpfr4, version 9.9-1",
                         "3. CLI11 (BSD-3-Clause): a.exe",
                         "Upstream-Name: CLI11",
                         "/usr/share/common-licenses/LGPL-3\n",
                         "GNU LESSER GENERAL PUBLIC LICENSE"]:
            self.assertIn(expected, text)
        installed = third_party_notices.installed_source_version("libcli11-dev")
        self.assertIn(f"Debian source package cli11, version {installed}", text)


class ZipTest(unittest.TestCase):
    def test_a_folder_gives_the_same_zip_in_a_fixed_order(self):
        script = ROOT / "scripts" / "windows-zip.py"
        with tempfile.TemporaryDirectory() as folder:
            base = pathlib.Path(folder)
            stage = base / "name"
            (stage / "platforms").mkdir(parents=True)
            for path, data in [("b.exe", b"MZ1"), ("a.txt", b"x\r\n"),
                               ("platforms/q.dll", b"MZ2")]:
                (stage / path).write_bytes(data)
            zips = []
            for n in range(2):
                output = base / f"{n}.zip"
                subprocess.run([sys.executable, script, "--folder", stage, "--output", output],
                               check=True)
                zips.append(output.read_bytes())
                (stage / "a.txt").touch()  # another time, the same zip
            self.assertEqual(zips[0], zips[1])
            with zipfile.ZipFile(io.BytesIO(zips[0])) as archive:
                names = [i.filename for i in archive.infolist()]
                self.assertEqual(names, ["name/", "name/a.txt", "name/b.exe", "name/platforms/",
                                         "name/platforms/q.dll"])
                self.assertEqual({i.date_time for i in archive.infolist()}, {(2002, 1, 2, 0, 0, 0)})
                self.assertEqual(archive.read("name/platforms/q.dll"), b"MZ2")


if __name__ == "__main__":
    unittest.main()
