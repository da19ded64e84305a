// SPDX-License-Identifier: GPL-3.0-or-later
// The limits, defaults and formats both programs share, each defined here once: the messages, the
// window's lists, the command line's help, the manual pages and the tests take them from here.
#pragma once

#include <cstdint>

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

}  // namespace tessaroll
