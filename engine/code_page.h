// SPDX-License-Identifier: GPL-3.0-or-later
// The 8-bit character codes of the personal password, and the code page of output.txt.
//
// One rule on every system, Windows included, so that every build computes the same list: text
// is converted as Windows converts it to one of its single-byte ANSI code pages. The UTF-8 text is
// read as UTF-16 the way Windows reads it (invalid UTF-8 becomes U+FFFD), and each UTF-16 unit
// gives one byte: the code page's own byte where it has one, else Windows' best-fit byte
// ("\u0142" becomes "l" in code page 1252), else "?". A character beyond the Basic Multilingual
// Plane is two UTF-16 units, so two bytes (two "?" for an emoji). The tables come from Windows'
// code page files (engine/code_page_tables.h); characters that only a double-byte code page has
// are out of reach of this rule and count as their best fit or "?".
//
// Before that, the text is composed as Unicode NFC composes it, so that an accent typed as a
// letter followed by a combining mark ("e" and U+0301) counts as the accented letter ("\u00e9"),
// as most keyboards type it. The text is composed stretch by stretch (see nfc_boundary_before);
// a stretch whose characters as typed all have codes of their own in the code page is kept as it
// is, as Windows keeps it, so that the marks that code pages 1255, 1258 and 874 hold give the
// bytes they give on Windows.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaroll {

// Windows' single-byte ANSI code pages; the value is the code page's number.
enum class CodePage : std::uint16_t {
    Thai = 874,
    CentralEuropean = 1250,
    Cyrillic = 1251,
    Western = 1252,
    Greek = 1253,
    Turkish = 1254,
    Hebrew = 1255,
    Arabic = 1256,
    Baltic = 1257,
    Vietnamese = 1258,
};

// The ten, in the order of their numbers.
inline constexpr std::array<CodePage, 10> kCodePages = {
    CodePage::Thai,   CodePage::CentralEuropean, CodePage::Cyrillic, CodePage::Western,
    CodePage::Greek,  CodePage::Turkish,         CodePage::Hebrew,   CodePage::Arabic,
    CodePage::Baltic, CodePage::Vietnamese,
};

// The code page with this number when it is one of the ten, else nullopt.
std::optional<CodePage> code_page_from_number(long number);

// The ten code pages for messages: "874 (Thai), 1250 (Central European), ... and 1258
// (Vietnamese)".
std::string known_code_pages_text();

// The code page's number and name for messages: "1250 (Central European)".
std::string code_page_text(CodePage cp);

// The code page of this system, and a sentence for the user when it is not the system's own.
struct SystemCodePage {
    CodePage code_page;
    std::string note;    // empty, or one sentence to show once
    std::string locale;  // other systems: the locale it was chosen from, empty when none is set
};

// Windows: the system's ANSI code page when it is one of the ten; otherwise (932, 65001, ...)
// 1252, with a note saying so and naming --code-page. Other systems: the ANSI code page Windows
// has for the locale in force (locale_in_force, locale_ansi_code_page in
// engine/code_page_locale.h), with the same note when it is not one of the ten; 1252 for C and
// POSIX.
SystemCodePage system_code_page();

// UTF-8 text as bytes of the code page: the text composed (composed_text), then one byte per
// UTF-16 unit, the code page's own byte, else the best-fit byte, else "?" (63).
std::string to_code_page(std::string_view utf8, CodePage cp);

// The text whose UTF-16 units to_code_page converts, in UTF-8: read as Windows reads UTF-8, each
// stretch in NFC unless the code page has a code of its own for every character of the stretch.
std::string composed_text(std::string_view utf8, CodePage cp);

// How a character reaches the seed.
enum class CodeKind {
    Own,        // the code page's own code for it
    LookAlike,  // the code of another character Windows takes for it ("\u0142" counts as "l")
    Missing,    // "?": the code page has neither (a character beyond the BMP counts as two)
};

// One character of the composed text and the bytes it gives.
struct CharacterCode {
    char32_t character;
    CodeKind kind;
    std::string bytes;  // one byte, or "??" for a character beyond the Basic Multilingual Plane
};

// The characters of composed_text(utf8, cp) and their bytes, whose concatenation is
// to_code_page(utf8, cp).
std::vector<CharacterCode> character_codes(std::string_view utf8, CodePage cp);

// Bytes of the code page back to UTF-8. Every byte has a character (bytes the code page leaves
// unassigned stand for the control or private-use characters Windows gives them), so
// to_code_page(from_code_page(b, cp), cp) == b for any bytes b.
std::string from_code_page(std::string_view bytes, CodePage cp);

// The byte of one UTF-16 unit, as to_code_page gives it; a surrogate gives "?".
char code_page_byte(char16_t unit, CodePage cp);

// The place (from 0) of the first byte of text that does not begin a valid UTF-8 character: a
// byte that never does, a sequence cut short or broken by another byte, an overlong form, a
// surrogate or a value past U+10FFFF. nullopt for valid UTF-8.
std::optional<std::size_t> first_invalid_utf8_byte(std::string_view text);

// UTF-8 read as UTF-16, as Windows reads it (MultiByteToWideChar without flags). What is not
// valid UTF-8 becomes U+FFFD, one for: a byte that cannot start a sequence; the rest of the text
// when it ends inside a sequence; the bytes of a sequence before a byte that does not continue
// it; the first two bytes of an overlong form, an encoded surrogate or a value past U+10FFFF.
std::u16string utf8_to_utf16(std::string_view utf8);

}  // namespace tessaroll
