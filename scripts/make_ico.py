#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Packs the program's icon for Windows: one .ico from the PNG pictures of several sizes.

    python3 scripts/make_ico.py OUTPUT.ico PICTURE.png...

Each picture must be a square 8-bit RGBA PNG (as scripts/render-icons.sh writes them). Pictures
of up to 48 pixels become 32-bit bitmaps with their transparency mask, as every Windows reads
them; larger ones are stored as the PNG itself, as Windows Vista and later read them. The same
pictures give the same bytes.
"""
import pathlib
import struct
import sys
import zlib

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
LARGEST_BITMAP = 48


def read_png(data: bytes):
    """(width, height, rows of RGBA bytes) of an 8-bit RGBA, non-interlaced PNG."""
    if not data.startswith(PNG_SIGNATURE):
        raise ValueError("not a PNG file")
    pos = len(PNG_SIGNATURE)
    header = None
    compressed = b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            compressed += body
        elif kind == b"IEND":
            break
    if header is None:
        raise ValueError("the PNG file has no header")
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour != 6 or interlace != 0:
        raise ValueError(f"the PNG file is not 8-bit RGBA without interlacing (depth {depth}, "
                         f"colour type {colour}, interlace {interlace})")
    raw = zlib.decompress(compressed)
    stride = width * 4
    rows = []
    previous = bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind = raw[start]
        row = bytearray(raw[start + 1:start + 1 + stride])
        for x in range(stride):
            left = row[x - 4] if x >= 4 else 0
            up = previous[x]
            corner = previous[x - 4] if x >= 4 else 0
            if kind == 1:
                row[x] = (row[x] + left) & 0xFF
            elif kind == 2:
                row[x] = (row[x] + up) & 0xFF
            elif kind == 3:
                row[x] = (row[x] + (left + up) // 2) & 0xFF
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                nearest = left if pa <= pb and pa <= pc else up if pb <= pc else corner
                row[x] = (row[x] + nearest) & 0xFF
            elif kind != 0:
                raise ValueError(f"unknown PNG filter {kind} in row {y}")
        rows.append(bytes(row))
        previous = row
    return width, height, rows


def bitmap_entry(width: int, height: int, rows) -> bytes:
    """A 32-bit DIB with its AND mask: rows bottom up, BGRA, transparent where alpha is 0."""
    colour = bytearray()
    mask = bytearray()
    mask_stride = ((width + 31) // 32) * 4
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x in range(width):
            r, g, b, a = row[4 * x:4 * x + 4]
            colour += bytes((b, g, r, a))
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, width, 2 * height, 1, 32, 0,
                         len(colour) + len(mask), 0, 0, 0, 0)
    return header + bytes(colour) + bytes(mask)


def make_ico(pictures) -> bytes:
    entries = []
    for data in pictures:
        width, height, rows = read_png(data)
        if width != height or width > 256:
            raise ValueError(f"a picture of {width}x{height}: icons are square, at most 256")
        image = bitmap_entry(width, height, rows) if width <= LARGEST_BITMAP else data
        entries.append((width, image))
    entries.sort(key=lambda e: e[0])
    out = bytearray(struct.pack("<HHH", 0, 1, len(entries)))
    offset = 6 + 16 * len(entries)
    for size, image in entries:
        side = 0 if size == 256 else size  # 0 stands for 256
        out += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    for _, image in entries:
        out += image
    return bytes(out)


def main(argv) -> int:
    if len(argv) < 3:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    output = pathlib.Path(argv[1])
    try:
        ico = make_ico([pathlib.Path(p).read_bytes() for p in argv[2:]])
    except (OSError, ValueError) as e:
        print(f"make_ico: {e}", file=sys.stderr)
        return 1
    partial = output.with_name(output.name + ".tmp")
    partial.write_bytes(ico)
    partial.replace(output)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
