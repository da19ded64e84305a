// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/self_test.h"

#include <nlohmann/json.hpp>
#include <stdexcept>
#include <utility>

#include "settings/generation_settings.h"

#ifdef _WIN32
#include <cstdio>
#include <iterator>

#include "engine/windows_api.h"
#endif

namespace tessaroll::cli {

namespace {

// The limit each error text of the vectors stands for.
constexpr std::pair<std::string_view, ErrorKind> kErrorTexts[] = {
    {"list index out of range", ErrorKind::CountTooLarge},
    {"pattern index out of range", ErrorKind::LengthTooLarge},
    {"division by zero: den", ErrorKind::DivisionByZero},
    {"month out of range", ErrorKind::MonthOutOfRange},
    {"16-bit overflow: dy*365", ErrorKind::YearOutOfRange},
    {"16-bit overflow: pnumb*nb", ErrorKind::Overflow},
    {"invalid power: negative base", ErrorKind::NegativeBreakPoint},
};

ReferenceVector vector_from(const nlohmann::json& j) {
    ReferenceVector v;
    v.personal = j.at("personal").get<std::string>();
    v.day = j.at("day").get<int>();
    v.month = j.at("month").get<int>();
    v.year = j.at("year").get<int>();
    v.count = j.at("count").get<int>();
    v.length = j.at("length").get<int>();
    v.pattern = j.at("pattern").get<std::string>();
    if (j.contains("code_page")) {
        const long number = j.at("code_page").get<long>();
        const auto cp = code_page_from_number(number);
        if (!cp) {
            throw std::runtime_error("code page " + std::to_string(number) + " is not one of " +
                                     known_code_pages_text());
        }
        v.code_page = *cp;
    }
    if (j.contains("error")) {
        const auto text = j.at("error").get<std::string>();
        for (const auto& [known, kind] : kErrorTexts) {
            if (text == known) {
                v.error = kind;
            }
        }
        if (!v.error) {
            throw std::runtime_error("unknown error \"" + text + "\"");
        }
    } else {
        v.passwords = j.at("passwords").get<std::vector<std::string>>();
        v.messages = j.at("messages").get<int>();
    }
    return v;
}

// Whether this build computes the vector's outcome: its list with as many map messages, or an
// error of its kind.
bool agrees(const ReferenceVector& v) {
    GenerationSettings settings;
    settings.pnumb = static_cast<std::int16_t>(v.count);
    settings.lentgh = static_cast<std::int16_t>(v.length);
    if (!set_pattern_letters(settings, v.pattern)) {
        return false;
    }
    int messages = 0;
    try {
        const auto list =
            compute_passwords(v.personal, static_cast<std::int16_t>(v.day),
                              static_cast<std::int16_t>(v.month), static_cast<std::int16_t>(v.year),
                              settings, v.code_page, [&](std::string_view) { ++messages; });
        return !v.error && messages == v.messages && list == v.passwords;
    } catch (const EngineError& e) {
        return v.error && e.kind() == *v.error;
    }
}

}  // namespace

std::vector<ReferenceVector> parse_reference_vectors(std::string_view json_lines) {
    std::vector<ReferenceVector> all;
    int line = 0;
    while (!json_lines.empty()) {
        ++line;
        const std::size_t end = json_lines.find('\n');
        const std::string_view text = json_lines.substr(0, end);
        json_lines.remove_prefix(end == std::string_view::npos ? json_lines.size() : end + 1);
        if (text.find_first_not_of(" \t\r") == std::string_view::npos) {
            continue;
        }
        try {
            ReferenceVector v = vector_from(nlohmann::json::parse(text));
            v.line = line;
            all.push_back(std::move(v));
        } catch (const std::exception& e) {
            throw std::runtime_error("reference vectors, line " + std::to_string(line) + ": " +
                                     e.what());
        }
    }
    return all;
}

bool run_self_test(std::string_view json_lines, std::ostream& out, std::ostream& err) {
    std::vector<ReferenceVector> vectors;
    try {
        vectors = parse_reference_vectors(json_lines);
    } catch (const std::runtime_error& e) {
        err << e.what() << '\n';
    }
    if (vectors.empty()) {
        out << "No reference vectors could be read, so this build was not checked.\n";
        return false;
    }
    std::size_t agreed = 0;
    for (const ReferenceVector& v : vectors) {
        if (agrees(v)) {
            ++agreed;
        } else {
            err << "differs: reference vector " << v.line << ", date " << v.month << '/' << v.day
                << '/' << v.year << ", count " << v.count << ", length " << v.length
                << ", code page " << static_cast<unsigned>(v.code_page) << '\n';
        }
    }
    out << agreed << " of " << vectors.size() << " vectors agree with the reference lists.\n";
    if (agreed != vectors.size()) {
        out << "This build computes different lists; do not rely on it.\n";
    }
    return agreed == vectors.size();
}

bool run_self_test(std::ostream& out, std::ostream& err) {
    return run_self_test(built_in_reference_vectors(), out, err);
}

#ifdef _WIN32

namespace {

// Texts whose reading as UTF-8 is compared with the system's: valid ones of every length, and
// every kind of invalid part.
constexpr std::string_view kUtf8Cases[] = {
    "plain",
    "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80",  // e acute, euro, an emoji
    "\xEF\xBF\xBF\xF4\x8F\xBF\xBF",          // U+FFFF, U+10FFFF
    "a\xFF"
    "b",
    "\x80\xBF",                  // continuation bytes alone
    "\xC0\xAF\xC1\xBF",          // overlong two-byte forms
    "\xE0\x80\xAF",              // overlong three-byte form
    "\xF0\x80\x80\xAF",          // overlong four-byte form
    "\xED\xA0\x80\xED\xBF\xBF",  // encoded surrogates
    "\xF4\x90\x80\x80",          // past U+10FFFF
    "\xF5\x80\x80\x80",          // lead byte past U+10FFFF
    "\xC3",                      // cut short at the end
    "\xE2\x82",
    "\xF0\x9F\x98",
    "a\xF0\x9F"
    "b",
    "\xE2\x82"
    "x\xF0\x9F"
    "y",  // cut short before another character
    "\xC3\xC3\xA9",
    "\xE2\xC3\xA9",
};

std::u16string system_utf16(std::string_view utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int size = static_cast<int>(utf8.size());
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), n);
    return std::u16string(wide.begin(), wide.end());
}

// The system's conversion of UTF-8 text to a code page, as the program made it before it had
// tables of its own.
std::string system_bytes(std::string_view utf8, CodePage cp) {
    const std::u16string units = system_utf16(utf8);
    if (units.empty()) {
        return {};
    }
    const auto* wide = reinterpret_cast<const wchar_t*>(units.data());
    const int size = static_cast<int>(units.size());
    const auto number = static_cast<UINT>(cp);
    const int n = WideCharToMultiByte(number, 0, wide, size, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    WideCharToMultiByte(number, 0, wide, size, bytes.data(), n, nullptr, nullptr);
    return bytes;
}

// A number as hexadecimal digits, at least `digits` of them.
std::string hex(unsigned value, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", digits, value);
    return buf;
}

std::string units_text(std::u16string_view units) {
    std::string text;
    for (const char16_t u : units) {
        text += " U+" + hex(u, 4);
    }
    return text;
}

// Differences of one code page's tables from the system's conversion, the first few reported.
std::size_t code_page_differences(CodePage cp, std::ostream& err) {
    constexpr std::size_t kShown = 5;
    const auto number = static_cast<UINT>(cp);
    std::size_t differences = 0;
    const auto report = [&](const std::string& what) {
        if (differences++ < kShown) {
            err << "code page " << number << ": " << what << '\n';
        }
    };
    // Each unit on its own, so that no two units are read as one surrogate pair.
    for (unsigned u = 0; u <= 0xFFFF; ++u) {
        const auto unit = static_cast<wchar_t>(u);
        char system = 0;
        const int n = WideCharToMultiByte(number, 0, &unit, 1, &system, 1, nullptr, nullptr);
        const char ours = code_page_byte(static_cast<char16_t>(u), cp);
        if (n != 1 || system != ours) {
            report("U+" + hex(u, 4) + " gives the byte " +
                   hex(static_cast<unsigned char>(system), 2) + " here, " +
                   hex(static_cast<unsigned char>(ours), 2) + " in the table");
        }
    }
    for (unsigned b = 0; b <= 0xFF; ++b) {
        const auto byte = static_cast<char>(b);
        wchar_t system = 0;
        const int n = MultiByteToWideChar(number, 0, &byte, 1, &system, 1);
        const std::u16string ours = utf8_to_utf16(from_code_page(std::string_view(&byte, 1), cp));
        if (n != 1 || ours != std::u16string(1, static_cast<char16_t>(system))) {
            report("the byte " + hex(b, 2) + " reads as U+" +
                   hex(static_cast<unsigned>(system), 4) + " here, as" + units_text(ours) +
                   " in the table");
        }
    }
    return differences;
}

}  // namespace

bool check_system_code_pages(std::ostream& out, std::ostream& err) {
    std::size_t differences = 0;
    for (const CodePage cp : kCodePages) {
        differences += code_page_differences(cp, err);
    }
    std::vector<std::string> texts(std::begin(kUtf8Cases), std::end(kUtf8Cases));
    for (const std::string_view text : kUtf8Cases) {
        const std::u16string system = system_utf16(text);
        const std::u16string ours = utf8_to_utf16(text);
        if (system != ours) {
            ++differences;
            err << "a UTF-8 text of " << text.size() << " bytes reads as" << units_text(system)
                << " here, as" << units_text(ours) << " in this program\n";
        }
    }
    // Whole texts as well: every personal password of the reference vectors, in every code page.
    // The system converts the text as this program composes it (NFC), which is this program's own.
    for (const ReferenceVector& v : parse_reference_vectors(built_in_reference_vectors())) {
        texts.push_back(v.personal);
    }
    for (const std::string& text : texts) {
        for (const CodePage cp : kCodePages) {
            if (system_bytes(composed_text(text, cp), cp) != to_code_page(text, cp)) {
                ++differences;
                err << "code page " << static_cast<unsigned>(cp) << ": a text of " << text.size()
                    << " bytes converts to other bytes here than in this program\n";
            }
        }
    }
    out << "Code-page tables against this system's conversion: " << kCodePages.size()
        << " code pages, " << kCodePages.size() * 65536 << " UTF-16 units, "
        << kCodePages.size() * 256 << " bytes and " << texts.size() << " texts; " << differences
        << " differ.\n";
    return differences == 0;
}

#else

bool check_system_code_pages(std::ostream&, std::ostream& err) {
    err << "Comparing the code-page tables with the system's conversion needs Windows.\n";
    return false;
}

#endif

}  // namespace tessaroll::cli
