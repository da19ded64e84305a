// The numbered password list of one date, and the list file "output.txt".
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/chaotic_map.h"

namespace tessaroll {

// Most passwords a list holds, and most positions a pattern covers.
inline constexpr std::int16_t kMaxCount = 130;
inline constexpr std::int16_t kMaxLength = 130;

inline constexpr std::string_view kOutputFileName = "output.txt";

// The list for a personal password (UTF-8) and a date: pnumb passwords of lentgh positions,
// position k a digit where typ[k] == 0 and a letter otherwise. An empty list for pnumb <= 0.
// Every limit (date, count, length, password length, overflow) throws EngineError before any
// password is computed, so an error never leaves half a list.
std::vector<std::string> compute_passwords(std::string_view personal, std::int16_t day,
                                           std::int16_t month, std::int16_t year,
                                           std::int16_t pnumb, std::int16_t lentgh,
                                           std::span<const std::int16_t> typ,
                                           const Notifier& notify = {});

// "Password i= password", the line of password i (counted from 1) in the list and the file.
std::string password_line(std::size_t i, std::string_view password);

// The bytes of "output.txt": date line (month first), empty line, password lines, empty line,
// "Generated on " and the time stamp; every line ends with CR LF. The time stamp is UTF-8 and is
// written in the 8-bit code page like the rest.
std::string output_file_text(std::int16_t day, std::int16_t month, std::int16_t year,
                             const std::vector<std::string>& passwords, std::string_view timestamp);

// Replaces folder/output.txt whole with output_file_text(...). Throws FileError naming the path
// and the reason; the previous file then stays as it was.
void write_output_file(const std::filesystem::path& folder, std::int16_t day, std::int16_t month,
                       std::int16_t year, const std::vector<std::string>& passwords,
                       std::string_view timestamp);

// The time stamp: the locale's short date, one blank and its time of day ("%x %X" of the global
// C locale); the short date alone at exactly 00:00:00.
std::string timestamp_text(const std::tm& local_time);

// The current local date and time.
std::tm local_time_now();

// timestamp_text of the current local time.
std::string current_timestamp_text();

}  // namespace tessaroll
