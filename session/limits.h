// SPDX-License-Identifier: GPL-3.0-or-later
// The limits, defaults and formats both programs share, each defined here once: the messages, the
// window's lists, the command line's help, the manual pages and the tests take them from here.
#pragma once

#include <cstdint>
#include <string>

#include "engine/password_list.h"

namespace tessaroll {

// What a list uses where nothing was chosen: the values the window writes into its empty boxes,
// and the command line's defaults.
inline constexpr std::int16_t kDefaultCount = 4;
inline constexpr std::int16_t kDefaultLength = 10;

// A count or a length is a whole number from 1 to its maximum (kMaxCount, kMaxLength: the flags
// 1 to 130 are all the positions there are).
inline constexpr std::int16_t kMinCount = 1;
inline constexpr std::int16_t kMinLength = 1;

// The window's year list runs from kFirstYear to the later of this year and next year.
inline constexpr std::int16_t kLastListedYearAtLeast = 2010;
// The last year whose day count still fits in 16 bits for every date of it.
inline constexpr std::int16_t kLastYear = kFirstYear + 89;

// The command line prints lists for at most this many years at once.
inline constexpr int kMaxUntilYears = 100;

// Sentences both programs say in the same words.

// "26/7/2002": day, month, year, the order of the window's Day, Month and Year boxes, in which
// every message names a date. (output.txt's date line keeps the month first.)
std::string day_first(std::int16_t day, std::int16_t month, std::int16_t year);

// What the window's status line and the command line's standard error say about the date of a
// list just made, empty when there is nothing to say:
// - a date that is not in the calendar (31/2/2026, day 0, day 131, day -3) still gives the list
//   it always gave, which is the list of one calendar date: "31/2/2026 is not a date; the list is
//   the one of 3/3/2026." When no calendar date has that list, the note says so.
// - a calendar date before 2002, the first year of the window's Year list, is named as such.
// A month outside 1 to 12 gives no list and no note.
std::string date_note(std::int16_t day, std::int16_t month, std::int16_t year);

}  // namespace tessaroll
