// SPDX-License-Identifier: GPL-3.0-or-later
// The list file "output.txt": its text, its writing, and the time stamp it ends with.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "engine/code_page.h"

namespace tessaroll {

inline constexpr std::string_view kOutputFileName = "output.txt";

// The bytes of "output.txt": date line (month first), empty line, password lines, empty line,
// "Generated on " and the time stamp; every line ends with CR LF. The time stamp is UTF-8 and is
// written in code_page, the code page of the personal password, like the rest of the file.
std::string output_file_text(std::int16_t day, std::int16_t month, std::int16_t year,
                             const std::vector<std::string>& passwords, std::string_view timestamp,
                             CodePage code_page);

// Replaces folder/output.txt whole with output_file_text(...). Throws FileError naming the path
// and the reason; the previous file then stays as it was.
void write_output_file(const std::filesystem::path& folder, std::int16_t day, std::int16_t month,
                       std::int16_t year, const std::vector<std::string>& passwords,
                       std::string_view timestamp, CodePage code_page);

// The time stamp (UTF-8): the locale's short date, one blank and its time of day ("%x %X" of the
// global C locale); the short date alone at exactly 00:00:00.
std::string timestamp_text(const std::tm& local_time);

// The current local date and time.
std::tm local_time_now();

// timestamp_text of the current local time.
std::string current_timestamp_text();

}  // namespace tessaroll
