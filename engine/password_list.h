// SPDX-License-Identifier: GPL-3.0-or-later
// The numbered password list of one date.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/chaotic_map.h"
#include "engine/code_page.h"

namespace tessaroll {

// Most passwords a list holds, and most positions a pattern covers.
inline constexpr std::int16_t kMaxCount = 130;
inline constexpr std::int16_t kMaxLength = 130;

// Day 0 of the day count is 1 January of this year.
inline constexpr std::int16_t kFirstYear = 2002;

// "12/7/2026": month, day and year, as output.txt's date line and every message write a date.
std::string date_text(std::int16_t day, std::int16_t month, std::int16_t year);

// "Date=12/7/2026", the first line of output.txt and of each list the command line prints.
std::string date_line(std::int16_t day, std::int16_t month, std::int16_t year);

// The list for a personal password (UTF-8) and a date: pnumb passwords of lentgh positions,
// position k a digit where typ[k] == 0 and a letter otherwise. An empty list for pnumb <= 0.
// The seed comes from the personal password's bytes in code_page (to_code_page). Every limit
// (date, count, length, password length, overflow) throws EngineError before any password is
// computed, so an error never leaves half a list.
std::vector<std::string> compute_passwords(std::string_view personal, std::int16_t day,
                                           std::int16_t month, std::int16_t year,
                                           std::int16_t pnumb, std::int16_t lentgh,
                                           std::span<const std::int16_t> typ, CodePage code_page,
                                           const Notifier& notify = {});

// "Password i= password", the line of password i (counted from 1) in the list and the file.
std::string password_line(std::size_t i, std::string_view password);

}  // namespace tessaroll
