// SPDX-License-Identifier: GPL-3.0-or-later
// The built-in check of a build: the reference lists, computed independently of this program,
// computed again here. On Windows it can also compare the code-page tables with the system's own
// conversion.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/code_page.h"
#include "engine/error.h"

namespace tessaroll::cli {

// One reference case: a personal password (UTF-8), a date and the settings, with the list they
// give or the limit they meet.
struct ReferenceVector {
    std::string personal;
    int day = 0, month = 0, year = 0, count = 0, length = 0;
    std::string pattern;  // 'd' digit, 'l' letter for positions 1 ..
    CodePage code_page = CodePage::Western;
    std::vector<std::string> passwords;  // when no error
    std::optional<ErrorKind> error;      // the limit met, if any
    int messages = 0;                    // map messages ("???") on the way
    int line = 0;                        // line in the JSON Lines text, from 1
};

// Reads reference vectors from JSON Lines text, one object a line (empty lines are skipped):
// "personal", "day", "month", "year", "count", "length", "pattern", "code_page" (absent: 1252),
// then "passwords" and "messages", or "error". Throws std::runtime_error naming the line for a
// line it cannot read, an unknown code page or an unknown error.
std::vector<ReferenceVector> parse_reference_vectors(std::string_view json_lines);

// The JSON Lines text of the reference vectors compiled into the program (the contents of
// tests/data/engine.jsonl).
std::string_view built_in_reference_vectors();

// Computes every vector of the JSON Lines text and reports how many agree on out, and each one
// that differs, by its line, on err; true when all do. Text that cannot be read, or holds no
// vector, checks nothing: it is reported and gives false.
bool run_self_test(std::string_view json_lines, std::ostream& out, std::ostream& err);

// The same for the built-in vectors.
bool run_self_test(std::ostream& out, std::ostream& err);

// Windows: compares the code-page tables, for each of the ten code pages and every UTF-16 unit,
// and the reading of UTF-8, with the system's own conversion (WideCharToMultiByte and
// MultiByteToWideChar, best fit on, default character "?"); true when all agree. Elsewhere it
// says that it needs Windows and returns false.
bool check_system_code_pages(std::ostream& out, std::ostream& err);

}  // namespace tessaroll::cli
