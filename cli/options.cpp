// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/options.h"

#include <charconv>
#include <ctime>
#include <iostream>

#include "engine/list_file.h"
#include "engine/password_list.h"
#include "settings/box_number.h"
#include "settings/generation_settings.h"
#include "settings/printable_text.h"

namespace tessaroll::cli {

namespace {

// Options that take a value.
constexpr std::string_view kValueOptions[] = {
    "day",     "month",      "year",         "date",      "until", "count",  "length",
    "pattern", "output-dir", "pattern-file", "code-page", "days",  "number",
};

}  // namespace

void warn(std::string_view message) {
    std::cerr << "tessaroll-cli: warning: " << printable_text(message) << '\n';
}

void check_option_values(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") {
            return;
        }
        for (const std::string_view name : kValueOptions) {
            const std::string option = "--" + std::string(name);
            if (arg == option + "=") {
                throw UsageError{option + "= has no value after the \"=\"; write " + option +
                                 "=VALUE or " + option + " VALUE."};
            }
            if (arg != option) {
                continue;
            }
            if (i + 1 == argc) {
                throw UsageError{option + " needs a value, but is the last argument; write " +
                                 option + " VALUE."};
            }
            if (std::string_view(argv[i + 1]).substr(0, 2) == "--") {
                throw UsageError{option + " needs a value, but the next argument \"" +
                                 std::string(argv[i + 1]) + "\" is an option; write " + option +
                                 " VALUE."};
            }
        }
    }
}

std::int16_t option_number(std::string_view name, const std::string& text) {
    try {
        return box_number(text);
    } catch (const BoxNumberError& e) {
        throw UsageError{"--" + std::string(name) + ": " + e.what()};
    }
}

std::string pattern_option(const std::string& text) {
    if (text.empty()) {
        throw UsageError{
            "--pattern is empty; give d (digit) or l (letter) for each position, for example "
            "--pattern d for digits only."};
    }
    GenerationSettings probe;
    if (!set_pattern_letters(probe, text)) {
        throw UsageError{"--pattern: \"" + text + "\" must be 1 to " + std::to_string(kMaxLength) +
                         " letters d (digit) and l (letter)."};
    }
    return text;
}

std::string option_refusal(std::string_view name, std::int16_t value, std::string_view sentence) {
    return "--" + std::string(name) + " " + std::to_string(value) + ": " + std::string(sentence);
}

ListDate today() {
    const std::tm local = local_time_now();  // tm_mon counts months from 0
    return {static_cast<std::int16_t>(local.tm_mday), static_cast<std::int16_t>(local.tm_mon + 1),
            static_cast<std::int16_t>(local.tm_year + 1900)};
}

ListDate parse_iso_date(std::string_view name, const std::string& text) {
    const auto not_a_date = [&] {
        return UsageError{"--" + std::string(name) + ": \"" + text +
                          "\" is not a date of the form YYYY-MM-DD."};
    };
    const auto first = text.find('-', 1);
    const auto second = first == std::string::npos ? first : text.find('-', first + 1);
    if (second == std::string::npos) {
        throw not_a_date();
    }
    const auto part = [&](std::size_t from, std::size_t to) {
        const std::string piece = text.substr(from, to - from);
        if (piece.empty() || piece.find_first_not_of("0123456789") != std::string::npos) {
            throw not_a_date();
        }
        return option_number(name, piece);
    };
    ListDate d;
    d.year = part(0, first);
    d.month = part(first + 1, second);
    d.day = part(second + 1, text.size());
    return d;
}

CodePage code_page_in_force(const std::optional<std::string>& option) {
    if (!option) {
        const SystemCodePage system = system_code_page();
        if (!system.note.empty()) {
            warn(system.note);
        }
        return system.code_page;
    }
    long number = 0;
    const char* first = option->data();
    const char* last = first + option->size();
    const auto [end, ec] = std::from_chars(first, last, number);
    const std::optional<CodePage> cp =
        ec == std::errc() && end == last ? code_page_from_number(number) : std::nullopt;
    if (!cp) {
        throw UsageError{"--code-page " + *option +
                         " is not a code page this program knows; give one of " +
                         known_code_pages_text() + "."};
    }
    return *cp;
}

std::string shown_name(const std::filesystem::path& file) {
    return "\"" + file.string() + "\"";
}

}  // namespace tessaroll::cli
