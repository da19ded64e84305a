#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes engine/unicode_nfc_tables.h, the data of canonical composition (Unicode NFC).

    python3 scripts/make_nfc_tables.py > engine/unicode_nfc_tables.h

Source: Python's unicodedata module (its Unicode version is written into the header). The header
holds what engine/unicode_nfc.cpp needs and nothing else:

- the canonical combining class of every character whose class is not 0, as ranges;
- the full canonical decomposition of every character that has one (Hangul syllables excepted,
  which are decomposed by their formula), already in canonical order;
- the primary composites: each pair of characters that NFC joins, and the character it gives;
- the starters (class 0) before which NFC may still change what precedes them: characters that
  NFC never leaves as they are, and characters that NFC joins to the one before them.

Before writing, the script runs the engine's algorithm on these tables in Python and stops if it
gives another text than unicodedata.normalize("NFC", ...) for any single character, for the
decomposed form of every composite, or for a few thousand random texts of combining marks,
Hangul jamo and letters that take them; and if NFC of a text split before the starters not in
the last list differs from NFC of the whole text.
"""
import random
import sys
import unicodedata

MAX_CODE_POINT = 0x10FFFF
S_BASE, L_BASE, V_BASE, T_BASE = 0xAC00, 0x1100, 0x1161, 0x11A7
L_COUNT, V_COUNT, T_COUNT = 19, 21, 28
N_COUNT = V_COUNT * T_COUNT
S_COUNT = L_COUNT * N_COUNT


def characters():
    for c in range(MAX_CODE_POINT + 1):
        if 0xD800 <= c <= 0xDFFF:
            continue
        yield c


def nfc(text: str) -> str:
    return unicodedata.normalize("NFC", text)


def is_hangul_syllable(c: int) -> bool:
    return S_BASE <= c < S_BASE + S_COUNT


class Tables:
    def __init__(self):
        self.ccc = {}
        self.decomposition = {}
        self.composition = {}
        for c in characters():
            ch = chr(c)
            cls = unicodedata.combining(ch)
            if cls:
                self.ccc[c] = cls
            if is_hangul_syllable(c):
                continue
            mapping = unicodedata.decomposition(ch)
            if not mapping or mapping.startswith("<"):
                continue  # none, or a compatibility mapping
            self.decomposition[c] = [ord(x) for x in unicodedata.normalize("NFD", ch)]
            parts = [int(x, 16) for x in mapping.split()]
            # A primary composite: a two-character mapping that NFC gives back.
            if len(parts) == 2 and nfc(ch) == ch:
                self.composition[(parts[0], parts[1])] = c
        seconds = {b for (_, b) in self.composition}
        seconds.update(range(V_BASE, V_BASE + V_COUNT))
        seconds.update(range(T_BASE + 1, T_BASE + T_COUNT))
        self.not_boundary = sorted(
            c
            for c in characters()
            if c not in self.ccc and (c in seconds or nfc(chr(c)) != chr(c))
        )

    # The engine's algorithm (engine/unicode_nfc.cpp), on these tables.
    def decompose(self, text):
        out = []
        for c in text:
            if is_hangul_syllable(c):
                s = c - S_BASE
                out.append(L_BASE + s // N_COUNT)
                out.append(V_BASE + (s % N_COUNT) // T_COUNT)
                if s % T_COUNT:
                    out.append(T_BASE + s % T_COUNT)
            else:
                out.extend(self.decomposition.get(c, [c]))
        # Canonical order: each run of non-starters sorted by class, keeping their order otherwise.
        i = 0
        while i < len(out):
            if self.ccc.get(out[i], 0) == 0:
                i += 1
                continue
            j = i
            while j < len(out) and self.ccc.get(out[j], 0) != 0:
                j += 1
            out[i:j] = sorted(out[i:j], key=lambda x: self.ccc[x])
            i = j
        return out

    def compose_pair(self, a, b):
        if L_BASE <= a < L_BASE + L_COUNT and V_BASE <= b < V_BASE + V_COUNT:
            return S_BASE + ((a - L_BASE) * V_COUNT + (b - V_BASE)) * T_COUNT
        if is_hangul_syllable(a) and (a - S_BASE) % T_COUNT == 0 and T_BASE < b < T_BASE + T_COUNT:
            return a + (b - T_BASE)
        return self.composition.get((a, b))

    def to_nfc(self, text):
        chars = self.decompose(text)
        out = []
        starter = None  # the place in out of the last starter
        last_class = 0  # the class of the last character in out
        for c in chars:
            cls = self.ccc.get(c, 0)
            # Not blocked: nothing between the starter and c, or only marks of a lower class.
            if starter is not None and (last_class < cls or last_class == 0):
                composite = self.compose_pair(out[starter], c)
                if composite is not None:
                    out[starter] = composite
                    continue
            if cls == 0:
                starter = len(out)
            last_class = cls
            out.append(c)
        return out


def check(t: Tables):
    def same(text, what):
        got = "".join(map(chr, t.to_nfc([ord(x) for x in text])))
        if got != nfc(text):
            sys.exit(f"{what}: {text!r} gives {got!r}, NFC is {nfc(text)!r}")

    for c in characters():
        same(chr(c), f"U+{c:04X}")
    for (a, b), c in t.composition.items():
        same(chr(a) + chr(b), f"the pair of U+{c:04X}")
        same(unicodedata.normalize("NFD", chr(c)), f"the decomposition of U+{c:04X}")
    marks = sorted(t.ccc)
    firsts = sorted({a for (a, _) in t.composition})
    jamo = list(range(L_BASE, L_BASE + L_COUNT)) + list(range(V_BASE, V_BASE + V_COUNT))
    jamo += list(range(T_BASE + 1, T_BASE + T_COUNT)) + [S_BASE, S_BASE + 1, 0xD7A3]
    pool = marks + firsts + jamo + [ord(x) for x in "aeiouAEIOU ?"] + t.not_boundary[:200]
    boundary = set(t.not_boundary)
    rng = random.Random(19)
    for _ in range(20000):
        text = "".join(chr(rng.choice(pool)) for _ in range(rng.randint(1, 8)))
        same(text, "random text")
        # NFC of the pieces between boundaries is NFC of the whole.
        pieces, piece = [], ""
        for ch in text:
            c = ord(ch)
            if piece and c not in t.ccc and c not in boundary:
                pieces.append(piece)
                piece = ""
            piece += ch
        pieces.append(piece)
        if "".join(nfc(p) for p in pieces) != nfc(text):
            sys.exit(f"{text!r}: NFC of the pieces {pieces!r} is not NFC of the whole")


def ranges(sorted_values, value_of=lambda c: None):
    """Runs of consecutive code points with the same value: (first, last, value)."""
    out = []
    for c in sorted_values:
        v = value_of(c)
        if out and out[-1][1] == c - 1 and out[-1][2] == v:
            out[-1][1] = c
        else:
            out.append([c, c, v])
    return out


def rows(items, width=100):
    """The items on lines of at most width characters, indented by four spaces."""
    line = ""
    for item in items:
        if line and len(line) + 1 + len(item) > width:
            yield line
            line = ""
        line = line + " " + item if line else "    " + item
    if line:
        yield line


def main() -> int:
    t = Tables()
    check(t)
    version = unicodedata.unidata_version
    out = [
        "// SPDX-License-Identifier: GPL-3.0-or-later",
        "// Generated by scripts/make_nfc_tables.py; do not edit.",
        f"// Source: the Unicode Character Database {version}, as Python's unicodedata module holds it.",
        "// Copyright 1991-2021 Unicode, Inc., under the Unicode data licence (packaging/copyright);",
        "// the data of its files, put in another form.",
        "#pragma once",
        "",
        "#include <cstdint>",
        "#include <string_view>",
        "",
        "namespace tessaroll::nfc_tables {",
        "",
        "// clang-format off",
        "",
        f'inline constexpr std::string_view kUnicodeVersion = "{version}";',
        "",
        "// Characters first to last have the canonical combining class cls (never 0).",
        "struct ClassRange {",
        "    char32_t first, last;",
        "    std::uint8_t cls;",
        "};",
        "",
        "// The full canonical decomposition of a character: length characters of kDecomposed from",
        "// start, in canonical order.",
        "struct Decomposition {",
        "    char32_t character;",
        "    std::uint16_t start;",
        "    std::uint8_t length;",
        "};",
        "",
        "// NFC joins first and second into composite.",
        "struct Composition {",
        "    char32_t first, second, composite;",
        "};",
        "",
        "// Characters first to last.",
        "struct Range {",
        "    char32_t first, last;",
        "};",
        "",
    ]
    classes = ranges(sorted(t.ccc), lambda c: t.ccc[c])
    out.append(f"// Sorted by first character; {len(t.ccc)} characters.")
    out.append(f"inline constexpr ClassRange kClasses[{len(classes)}] = {{")
    out.extend(rows([f"{{0x{a:04X}, 0x{b:04X}, {v}}}," for a, b, v in classes]))
    out.append("};")
    out.append("")
    decomposed, entries = [], []
    for c in sorted(t.decomposition):
        parts = t.decomposition[c]
        entries.append((c, len(decomposed), len(parts)))
        decomposed.extend(parts)
    out.append("inline constexpr char32_t kDecomposed[" + str(len(decomposed)) + "] = {")
    out.extend(rows([f"0x{c:04X}," for c in decomposed]))
    out.append("};")
    out.append("")
    out.append("// Sorted by character; Hangul syllables are decomposed by their formula.")
    out.append(f"inline constexpr Decomposition kDecompositions[{len(entries)}] = {{")
    out.extend(rows([f"{{0x{c:04X}, {s}, {n}}}," for c, s, n in entries]))
    out.append("};")
    out.append("")
    pairs = sorted(t.composition.items())
    out.append("// Sorted by first, then second; Hangul syllables are composed by their formula.")
    out.append(f"inline constexpr Composition kCompositions[{len(pairs)}] = {{")
    out.extend(rows([f"{{0x{a:04X}, 0x{b:04X}, 0x{c:04X}}}," for (a, b), c in pairs]))
    out.append("};")
    out.append("")
    joined = [(a, b) for a, b, _ in ranges(t.not_boundary)]
    out.append("// Starters before which NFC may change the text: characters NFC never keeps as they are,")
    out.append("// and characters NFC joins to the one before them. Sorted.")
    out.append(f"inline constexpr Range kNoBoundaryBefore[{len(joined)}] = {{")
    out.extend(rows([f"{{0x{a:04X}, 0x{b:04X}}}," for a, b in joined]))
    out.append("};")
    out.append("")
    out.append("// clang-format on")
    out.append("")
    out.append("}  // namespace tessaroll::nfc_tables")
    sys.stdout.write("\n".join(out) + "\n")
    print(
        f"Unicode {version}: {len(t.ccc)} marks in {len(classes)} ranges, {len(entries)} "
        f"decompositions ({len(decomposed)} characters), {len(pairs)} compositions, "
        f"{len(t.not_boundary)} starters without a boundary in {len(joined)} ranges",
        file=sys.stderr,
    )
    return 0


if __name__ == "__main__":
    sys.exit(main())
