// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/password_notes.h"

#include <algorithm>
#include <cstdio>

#include "engine/unicode_nfc.h"
#include "session/list_flow.h"
#include "settings/printable_text.h"

namespace tessaroll {

namespace {

// A list names at most this many characters, then how many more there are.
constexpr std::size_t kNamedAtMost = 8;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string utf8_of(char32_t c) {
    std::string out;
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
    return out;
}

// The character in quotes, or "\uNNNN" where it would show as nothing, move the text around it,
// or sit on the quote before it (a combining mark, a no-break space).
std::string shown(char32_t c) {
    const std::string utf8 = utf8_of(c);
    if (printable_text(utf8) == utf8 && combining_class(c) == 0 && c != 0xA0) {
        return "\"" + utf8 + "\"";
    }
    char buf[16];
    std::snprintf(buf, sizeof buf, c < 0x10000 ? "\\u%04x" : "\\u%05x", static_cast<unsigned>(c));
    return std::string("\"") + buf + "\"";
}

// "a", "a and b", "a, b and c"; past kNamedAtMost, "a, ..., h and 3 more".
std::string listed(const std::vector<std::string>& items) {
    std::vector<std::string> named(
        items.begin(),
        items.begin() + static_cast<std::ptrdiff_t>(std::min(items.size(), kNamedAtMost)));
    if (items.size() > named.size()) {
        named.push_back(std::to_string(items.size() - named.size()) + " more");
    }
    std::string text;
    for (std::size_t i = 0; i < named.size(); ++i) {
        if (i > 0) {
            text += i + 1 == named.size() ? " and " : ", ";
        }
        text += named[i];
    }
    return text;
}

bool holds_all(std::string_view personal, CodePage cp) {
    const std::vector<CharacterCode> codes = character_codes(personal, cp);
    return std::all_of(codes.begin(), codes.end(),
                       [](const CharacterCode& c) { return c.kind == CodeKind::Own; });
}

}  // namespace

std::string characters_not_reaching_note(std::string_view personal, CodePage code_page) {
    std::vector<char32_t> missing, look_alike;
    std::vector<std::string> missing_names, look_alike_names, doubled;
    for (const CharacterCode& c : character_codes(personal, code_page)) {
        if (c.kind == CodeKind::Missing &&
            std::find(missing.begin(), missing.end(), c.character) == missing.end()) {
            missing.push_back(c.character);
            missing_names.push_back(shown(c.character));
            if (c.bytes.size() > 1) {
                doubled.push_back(shown(c.character));
            }
        } else if (c.kind == CodeKind::LookAlike && std::find(look_alike.begin(), look_alike.end(),
                                                              c.character) == look_alike.end()) {
            look_alike.push_back(c.character);
            // The byte's own character in the code page: always one of the BMP.
            const char16_t as = utf8_to_utf16(from_code_page(c.bytes, code_page)).front();
            // The first says "counts as", the others only "as": "a" counts as "b", "c" as "d".
            look_alike_names.push_back(shown(c.character) +
                                       (look_alike_names.empty() ? " counts as " : " as ") +
                                       shown(as));
        }
    }
    if (missing.empty() && look_alike.empty()) {
        return {};
    }
    std::string text = "In code page " + code_page_text(code_page) + ", ";
    if (!missing.empty()) {
        if (missing.size() == 1) {
            text += missing_names.front() + " has no code and counts as " +
                    (doubled.empty() ? "\"?\"" : "\"??\"");
        } else {
            text += listed(missing_names) + " have no code and count as \"?\"";
            if (!doubled.empty()) {
                text += " (" + listed(doubled) + (doubled.size() == 1 ? " as" : " each as") +
                        " \"??\")";
            }
        }
        if (!look_alike.empty()) {
            text += ", and ";
        }
    }
    if (!look_alike.empty()) {
        text += listed(look_alike_names);
    }
    std::vector<std::string> holding, numbers;
    for (const CodePage cp : kCodePages) {
        if (cp != code_page && holds_all(personal, cp)) {
            holding.push_back(code_page_text(cp));
            numbers.push_back(std::to_string(static_cast<unsigned>(cp)));
        }
    }
    if (holding.empty()) {
        text += "; none of the ten code pages holds every character of the personal password.";
    } else {
        // "code page 1251 (Cyrillic) holds ...: --code-page 1251", "code pages 1250 (Central
        // European) and 1257 (Baltic) hold ...: --code-page 1250 or 1257".
        std::string choices = numbers.front();
        for (std::size_t i = 1; i < numbers.size(); ++i) {
            choices += (i + 1 == numbers.size() ? " or " : ", ") + numbers[i];
        }
        text += holding.size() == 1 ? "; code page " + holding.front() + " holds"
                                    : "; code pages " + listed(holding) + " hold";
        text += " every character of the personal password: --code-page " + choices + ".";
    }
    return text;
}

std::string empty_password_note(std::string_view personal) {
    if (!personal.empty()) {
        return {};
    }
    return "The personal password is empty, so the list is the one everyone gets who gives "
           "none; type your personal password to get your own.";
}

std::vector<std::string> personal_password_notes(std::string_view personal, CodePage code_page) {
    std::vector<std::string> notes;
    for (std::string note :
         {characters_not_reaching_note(personal, code_page), empty_password_note(personal),
          characters_beyond_seed_note(personal, code_page)}) {
        if (!note.empty()) {
            notes.push_back(std::move(note));
        }
    }
    return notes;
}

std::string code_page_in_force_sentence(CodePage code_page,
                                        const std::optional<SystemCodePage>& system) {
    std::string text = "The characters of the personal password take their codes from code page " +
                       code_page_text(code_page);
    if (!system) {
        return text + ", given with --code-page.";
    }
    if (!system->note.empty()) {
        return text + ". " + system->note;
    }
#ifdef _WIN32
    text += ", this system's ANSI code page";
#else
    text += system->locale.empty()
                ? std::string(", that of English and Western European Windows (no locale is set)")
                : ", that of Windows for the locale " + system->locale;
#endif
    return text + "; --code-page N chooses another.";
}

std::optional<std::string> personal_password_text(std::string_view bytes) {
    if (first_invalid_utf8_byte(bytes)) {
        return std::nullopt;
    }
    if (bytes.starts_with(kByteOrderMark)) {
        bytes.remove_prefix(kByteOrderMark.size());
    }
    return std::string(bytes);
}

std::string not_utf8_sentence(std::string_view bytes) {
    const std::size_t place = first_invalid_utf8_byte(bytes).value_or(0);
    char value[8];
    std::snprintf(value, sizeof value, "0x%02X",
                  place < bytes.size() ? static_cast<unsigned char>(bytes[place]) : 0u);
    return "The personal password is not UTF-8 text: its byte " + std::to_string(place + 1) + " (" +
           value +
           ") does not begin a UTF-8 character, so some of its characters cannot be known. Give "
           "it as UTF-8 (a file in another encoding can be converted, for instance with "
           "\"iconv -f WINDOWS-1252 -t UTF-8\"), or type it at the prompt of a UTF-8 terminal.";
}

}  // namespace tessaroll
