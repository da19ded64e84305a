// SPDX-License-Identifier: GPL-3.0-or-later
// What the commands read from the command line the same way: numbers as the window's boxes read
// them, dates, the pattern letters and the code page; and the two kinds of failure a command
// reports besides those of the files and the engine.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "engine/code_page.h"
#include "session/list_flow.h"

namespace tessaroll::cli {

// A command line the program cannot act on (kExitUsage).
struct UsageError {
    std::string message;
};

// Input that is well formed but that no list or file can be made of (kExitRefused).
struct Refusal {
    std::string message;
};

// "tessaroll-cli: warning: " and the message, its control characters shown escaped.
void warn(std::string_view message);

// Refuses an option that takes a value but was given none: "--day=" or "--day --month 7".
// CLI11 would take "--month" as the day.
void check_option_values(int argc, char** argv);

// The value of --name as the window's boxes read a number.
std::int16_t option_number(std::string_view name, const std::string& text);

// The value of --pattern: 1 to kMaxLength letters d (digit) and l (letter). An empty value is
// refused: it is what an unset shell variable gives, not a request for digits.
std::string pattern_option(const std::string& text);

// "--count 0: " and the sentence: the refusal of a value given with an option.
std::string option_refusal(std::string_view name, std::int16_t value, std::string_view sentence);

// Today's date, in the local time zone.
ListDate today();

// --name's value "YYYY-MM-DD", whole numbers in each place; no calendar check.
ListDate parse_iso_date(std::string_view name, const std::string& text);

// --code-page, else the system's, with the system's note (a Windows code page the program does
// not know) said once as a warning.
CodePage code_page_in_force(const std::optional<std::string>& option);

// The file's name in quotes, as messages show it.
std::string shown_name(const std::filesystem::path& file);

}  // namespace tessaroll::cli
