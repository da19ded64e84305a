// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/code_page_locale.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>

#include "engine/code_page_locales.h"

namespace tessaroll {

namespace {

struct Script {
    std::string_view modifier, code;
};

// The @modifiers of Unix locale names that name a script, and the script's code in Windows names.
constexpr Script kScripts[] = {
    {"arabic", "Arab"},     {"chakma", "Cakm"},   {"cherokee", "Cher"}, {"cyrillic", "Cyrl"},
    {"devanagari", "Deva"}, {"gurmukhi", "Guru"}, {"javanese", "Java"}, {"latin", "Latn"},
    {"mongolian", "Mong"},  {"syriac", "Syrc"},   {"tifinagh", "Tfng"}, {"tibetan", "Tibt"},
    {"vai", "Vaii"},        {"yi", "Yiii"},
};

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

}  // namespace

std::string windows_locale_name(std::string_view unix_locale) {
    // language, then _territory, .codeset and @modifier, each optional, in that order.
    const std::size_t language_end = unix_locale.find_first_of("_.@");
    std::string_view language = unix_locale.substr(0, language_end);
    std::string_view territory, modifier;
    if (language_end != std::string_view::npos) {
        std::string_view rest = unix_locale.substr(language_end);
        if (rest.front() == '_') {
            const std::size_t end = rest.find_first_of(".@");
            territory = rest.substr(1, end == std::string_view::npos ? end : end - 1);
            rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end);
        }
        if (const std::size_t at = rest.find('@'); at != std::string_view::npos) {
            modifier = rest.substr(at + 1);
        }
    }
    if (language.empty() || language == "C" || language == "POSIX") {
        return {};
    }
    std::string name(language);
    std::string_view extra;
    if (modifier == "saaho") {
        name = "ssy";  // Saho, which Unix names as a variant of Afar
    } else if (modifier == "valencia") {
        extra = "-valencia";
    } else {
        for (const Script& s : kScripts) {
            if (s.modifier == modifier) {
                name += '-';
                name += s.code;
            }
        }
    }
    if (!territory.empty()) {
        name += '-';
        name += territory;
    }
    name += extra;
    return name;
}

unsigned locale_ansi_code_page(std::string_view windows_name) {
    constexpr unsigned kEnglish = 1252;
    std::string name = lower(windows_name);
    const auto& locales = code_page_locales::kLocales;
    while (!name.empty()) {
        const auto* it = std::lower_bound(std::begin(locales), std::end(locales), name,
                                          [](const code_page_locales::LocaleCodePage& l,
                                             const std::string& n) { return l.name < n; });
        if (it != std::end(locales) && it->name == name) {
            return it->code_page;
        }
        const std::size_t dash = name.rfind('-');
        name.resize(dash == std::string::npos ? 0 : dash);
    }
    return kEnglish;
}

std::string locale_in_force() {
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') {
            return value;
        }
    }
    return {};
}

}  // namespace tessaroll
