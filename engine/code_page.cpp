// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/code_page.h"

#include <algorithm>
#include <array>
#include <span>
#include <stdexcept>

#include "engine/code_page_locale.h"
#include "engine/code_page_tables.h"
#include "engine/unicode_nfc.h"
#include "engine/windows_api.h"

namespace tessaroll {

namespace {

namespace tables = code_page_tables;

struct Table {
    CodePage code_page;
    const char* name;
    std::span<const std::uint16_t, 256> units;
    std::span<const tables::UnitByte> bytes;
};

constexpr std::array<Table, 10> kTables = {{
    {CodePage::Thai, "Thai", tables::kThaiUnits, tables::kThaiBytes},
    {CodePage::CentralEuropean, "Central European", tables::kCentralEuropeanUnits,
     tables::kCentralEuropeanBytes},
    {CodePage::Cyrillic, "Cyrillic", tables::kCyrillicUnits, tables::kCyrillicBytes},
    {CodePage::Western, "Western", tables::kWesternUnits, tables::kWesternBytes},
    {CodePage::Greek, "Greek", tables::kGreekUnits, tables::kGreekBytes},
    {CodePage::Turkish, "Turkish", tables::kTurkishUnits, tables::kTurkishBytes},
    {CodePage::Hebrew, "Hebrew", tables::kHebrewUnits, tables::kHebrewBytes},
    {CodePage::Arabic, "Arabic", tables::kArabicUnits, tables::kArabicBytes},
    {CodePage::Baltic, "Baltic", tables::kBalticUnits, tables::kBalticBytes},
    {CodePage::Vietnamese, "Vietnamese", tables::kVietnameseUnits, tables::kVietnameseBytes},
}};

constexpr char kMissing = '?';
constexpr char32_t kReplacement = 0xFFFD;

// A CodePage made by a cast from another number is a fault of the caller, never a silent 1252.
const Table& table_of(CodePage cp) {
    for (const Table& t : kTables) {
        if (t.code_page == cp) {
            return t;
        }
    }
    throw std::invalid_argument("code page " + std::to_string(static_cast<unsigned>(cp)) +
                                " is not one of " + known_code_pages_text());
}

// Decodes the sequence at s[i] into cp and returns how many bytes it takes. Where the text is not
// valid UTF-8 it gives U+FFFD for as many bytes as Windows' own decoder does:
// - a byte that cannot start a sequence (80 to C1, F5 to FF): that byte;
// - a sequence that the text ends in the middle of: the rest of the text;
// - a byte that does not continue the sequence: the bytes before it;
// - an overlong form, a surrogate or a value past U+10FFFF: the lead byte and the first
//   continuation byte, which shows it.
std::size_t decode(std::string_view s, std::size_t i, char32_t& cp) {
    const auto lead = static_cast<unsigned char>(s[i]);
    if (lead < 0x80) {
        cp = lead;
        return 1;
    }
    cp = kReplacement;
    std::size_t more = 0;  // continuation bytes
    char32_t value = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        more = 1, value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        more = 2, value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        more = 3, value = lead & 0x07;
    } else {
        return 1;
    }
    if (s.size() - i <= more) {
        return s.size() - i;
    }
    for (std::size_t k = 1; k <= more; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            return k;
        }
        value = (value << 6) | (b & 0x3F);
        // After the first continuation byte the value's top bits tell an overlong form (below
        // U+0800 or U+10000), a surrogate (U+D800 to U+DFFF) and a value past U+10FFFF.
        const bool wrong =
            k == 1 && ((more == 2 && (value < 0x20 || (value >= 0x360 && value <= 0x37F))) ||
                       (more == 3 && (value < 0x10 || value >= 0x110)));
        if (wrong) {
            return 2;
        }
    }
    cp = value;
    return more + 1;
}

void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The characters of UTF-8 text as Windows reads them, U+FFFD for what is not valid UTF-8.
std::u32string code_points(std::string_view utf8) {
    std::u32string chars;
    chars.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t c = 0;
        i += decode(utf8, i, c);
        chars += c;
    }
    return chars;
}

char unit_byte(const Table& t, char16_t unit) {
    const auto it =
        std::lower_bound(t.bytes.begin(), t.bytes.end(), unit,
                         [](const tables::UnitByte& entry, char16_t u) { return entry.unit < u; });
    return it != t.bytes.end() && it->unit == unit ? static_cast<char>(it->byte) : kMissing;
}

// A character of the Basic Multilingual Plane whose byte stands for itself.
bool has_own_code(const Table& t, char32_t c) {
    if (c >= 0x10000 || (c >= 0xD800 && c <= 0xDFFF)) {
        return false;
    }
    const auto byte = static_cast<unsigned char>(unit_byte(t, static_cast<char16_t>(c)));
    return t.units[byte] == c;
}

// The characters whose units give the bytes: each stretch in NFC, unless the code page has a code
// of its own for every character of the stretch as typed.
std::u32string composed(std::string_view utf8, const Table& t) {
    const std::u32string typed = code_points(utf8);
    std::u32string out;
    out.reserve(typed.size());
    for (std::size_t begin = 0; begin < typed.size();) {
        std::size_t end = begin + 1;
        while (end < typed.size() && !nfc_boundary_before(typed[end])) {
            ++end;
        }
        const std::u32string_view stretch(typed.data() + begin, end - begin);
        if (std::all_of(stretch.begin(), stretch.end(),
                        [&t](char32_t c) { return has_own_code(t, c); })) {
            out += stretch;
        } else {
            out += to_nfc(stretch);
        }
        begin = end;
    }
    return out;
}

}  // namespace

std::optional<CodePage> code_page_from_number(long number) {
    for (const Table& t : kTables) {
        if (static_cast<long>(t.code_page) == number) {
            return t.code_page;
        }
    }
    return std::nullopt;
}

std::string code_page_text(CodePage cp) {
    const Table& t = table_of(cp);
    return std::to_string(static_cast<unsigned>(t.code_page)) + " (" + t.name + ")";
}

std::string known_code_pages_text() {
    std::string text;
    for (std::size_t i = 0; i < kTables.size(); ++i) {
        if (i > 0) {
            text += i + 1 == kTables.size() ? " and " : ", ";
        }
        text += code_page_text(kTables[i].code_page);
    }
    return text;
}

SystemCodePage system_code_page() {
    // "... is not one of the single-byte code pages ...": why 1252 is used instead.
    const auto not_one_of_ten = [](const std::string& which_is) {
        return which_is + " not one of the single-byte code pages " + known_code_pages_text() +
               ", so code page " + code_page_text(CodePage::Western) +
               " is used; give --code-page N to use another of them.";
    };
#ifdef _WIN32
    const UINT acp = GetACP();
    if (const auto cp = code_page_from_number(static_cast<long>(acp))) {
        return {*cp, {}, {}};
    }
    return {CodePage::Western,
            not_one_of_ten("This system's ANSI code page " + std::to_string(acp) + " is"),
            {}};
#else
    const std::string locale = locale_in_force();
    const unsigned number = locale_ansi_code_page(windows_locale_name(locale));
    if (const auto cp = code_page_from_number(static_cast<long>(number))) {
        return {*cp, {}, locale};
    }
    return {CodePage::Western,
            not_one_of_ten("The locale " + locale + " has the Windows code page " +
                           std::to_string(number) + ", which is"),
            locale};
#endif
}

std::optional<std::size_t> first_invalid_utf8_byte(std::string_view text) {
    constexpr std::string_view kEncodedReplacement = "\xEF\xBF\xBD";
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = 0;
        const std::size_t length = decode(text, i, c);
        if (c == kReplacement && text.substr(i, length) != kEncodedReplacement) {
            return i;
        }
        i += length;
    }
    return std::nullopt;
}

std::u16string utf8_to_utf16(std::string_view utf8) {
    std::u16string units;
    units.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp = 0;
        i += decode(utf8, i, cp);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            units += static_cast<char16_t>(0xD800 + (cp >> 10));
            units += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            units += static_cast<char16_t>(cp);
        }
    }
    return units;
}

char code_page_byte(char16_t unit, CodePage cp) {
    return unit_byte(table_of(cp), unit);
}

std::vector<CharacterCode> character_codes(std::string_view utf8, CodePage cp) {
    const Table& t = table_of(cp);
    std::vector<CharacterCode> codes;
    for (const char32_t c : composed(utf8, t)) {
        if (c >= 0x10000) {
            codes.push_back({c, CodeKind::Missing, std::string(2, kMissing)});
            continue;
        }
        const char byte = unit_byte(t, static_cast<char16_t>(c));
        const CodeKind kind = has_own_code(t, c) ? CodeKind::Own
                              : byte == kMissing ? CodeKind::Missing
                                                 : CodeKind::LookAlike;
        codes.push_back({c, kind, std::string(1, byte)});
    }
    return codes;
}

std::string to_code_page(std::string_view utf8, CodePage cp) {
    const Table& t = table_of(cp);
    std::string out;
    out.reserve(utf8.size());
    for (const char32_t c : composed(utf8, t)) {
        if (c >= 0x10000) {
            out.append(2, kMissing);  // two surrogates, neither of which has a byte
        } else {
            out += unit_byte(t, static_cast<char16_t>(c));
        }
    }
    return out;
}

std::string composed_text(std::string_view utf8, CodePage cp) {
    std::string out;
    for (const char32_t c : composed(utf8, table_of(cp))) {
        append_utf8(out, c);
    }
    return out;
}

std::string from_code_page(std::string_view bytes, CodePage cp) {
    const auto units = table_of(cp).units;
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        append_utf8(out, static_cast<char16_t>(units[static_cast<unsigned char>(c)]));
    }
    return out;
}

}  // namespace tessaroll
