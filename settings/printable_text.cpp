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
        } else {
            out.append(text.substr(i, len));
        }
        i += len;
    }
    return out;
}

}  // namespace tessaroll
