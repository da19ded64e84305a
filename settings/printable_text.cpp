// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/printable_text.h"

#include <cstdio>

namespace tessaroll {

namespace {

void append_hex(std::string& out, const char* prefix, unsigned value, int digits) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%0*x", digits, value);
    out += prefix;
    out += buf;
}

// Length of the well-formed UTF-8 sequence at s[i], or 0: the lead byte gives the length and
// the range of the second byte, which rules out overlong forms, surrogates and values past
// U+10FFFF; every further byte is 80 to BF.
std::size_t utf8_length(std::string_view s, std::size_t i) {
    const auto byte = [&](std::size_t k) -> unsigned {
        return i + k < s.size() ? static_cast<unsigned char>(s[i + k]) : 0u;
    };
    const unsigned lead = byte(0);
    std::size_t length = 0;
    unsigned low = 0x80;
    unsigned high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : low;
        high = lead == 0xED ? 0x9F : high;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : low;
        high = lead == 0xF4 ? 0x8F : high;
    } else {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned b = byte(k);
        if (k == 1 ? (b < low || b > high) : (b < 0x80 || b > 0xBF)) {
            return 0;
        }
    }
    return length;
}

// The code point of the well-formed sequence of len bytes at s[i].
unsigned code_point(std::string_view s, std::size_t i, std::size_t len) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
    switch (len) {
        case 1:
            return byte(0);
        case 2:
            return ((byte(0) & 0x1Fu) << 6) | (byte(1) & 0x3Fu);
        case 3:
            return ((byte(0) & 0x0Fu) << 12) | ((byte(1) & 0x3Fu) << 6) | (byte(2) & 0x3Fu);
        default:
            return ((byte(0) & 0x07u) << 18) | ((byte(1) & 0x3Fu) << 12) |
                   ((byte(2) & 0x3Fu) << 6) | (byte(3) & 0x3Fu);
    }
}

// Characters that show as nothing, or move or turn the text around them: a byte order mark at the
// start of a number would otherwise read as the number itself, and a direction mark can make
// a file name read backwards.
bool invisible(unsigned cp) {
    return cp == 0x00AD                       // soft hyphen
           || cp == 0x034F                    // combining grapheme joiner
           || cp == 0x061C                    // Arabic letter mark
           || (cp >= 0x115F && cp <= 0x1160)  // Hangul fillers
           || (cp >= 0x17B4 && cp <= 0x17B5)  // Khmer inherent vowels
           || (cp >= 0x180B && cp <= 0x180F)  // Mongolian variation selectors and vowel separator
           || (cp >= 0x2000 && cp <= 0x200F)  // spaces of set widths, zero width, direction marks
           || (cp >= 0x2028 && cp <= 0x202F)  // line and paragraph separators, embeddings
           || (cp >= 0x205F && cp <= 0x206F)  // word joiner, invisible operators, isolates
           || cp == 0x3000 || cp == 0x3164    // ideographic space, Hangul filler
           || (cp >= 0xFE00 && cp <= 0xFE0F)  // variation selectors
           || cp == 0xFEFF                    // byte order mark, zero width no-break space
           || cp == 0xFFA0                    // halfwidth Hangul filler
           || (cp >= 0xFFF0 && cp <= 0xFFFB)  // specials, interlinear annotation
           || (cp >= 0xE0000 && cp <= 0xE0FFF);  // tags, variation selectors supplement
}

}  // namespace

std::string printable_text(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t len = c < 0x80 ? 1 : utf8_length(text, i);
        // U+0080 to U+009F are C2 80 to C2 9F.
        const unsigned cp = len == 2 && c == 0xC2 ? static_cast<unsigned char>(text[i + 1]) : c;
        if (len == 0) {
            append_hex(out, "\\x", c, 2);  // not UTF-8
            len = 1;
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c < 0x20 || c == 0x7F) {
            append_hex(out, "\\x", c, 2);
        } else if (len == 2 && cp >= 0x80 && cp <= 0x9F) {
            append_hex(out, "\\u", cp, 4);
        } else if (const unsigned code = code_point(text, i, len); invisible(code)) {
            append_hex(out, "\\u", code, 4);
        } else {
            out.append(text.substr(i, len));
        }
        i += len;
    }
    return out;
}

}  // namespace tessaroll
