// SPDX-License-Identifier: GPL-3.0-or-later
// The numeric primitives every password rests on: one step of the chaotic map, the map iterated,
// the seed made from the personal password, and the day count between two dates.
//
// All real arithmetic is binary64 with every step rounded to double in the order written here;
// the map roughly doubles a last-bit difference per step, so that order is part of the result.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "engine/error.h"

namespace tessaroll {

// Receives the message of a map step whose argument lies outside [0, 1] (the text "???").
// The caller decides how to show it; an empty notifier drops it.
using Notifier = std::function<void(std::string_view message)>;

inline constexpr std::string_view kMapMessage = "???";

// Exponents of the map: single-precision constants, widened exactly to double where used.
inline constexpr float kMapExponent = std::bit_cast<float>(std::uint32_t{0x3F8CCCCD});   // 1.1f
inline constexpr float kTextExponent = std::bit_cast<float>(std::uint32_t{0x3F87AE14});  // 1.06f

// One step of the tent-shaped map with power-curve flanks and break point p.
// x == 0 (or NaN) gives 0; 0 < x <= p gives (x/p)^a; p < x <= 1 gives (x^a - 1) / (p^a - 1);
// any other x is reported to notify as "???" and gives 0.
double map1(double x, float a, double p, const Notifier& notify = {});

// map1 applied niter times with the exponent kMapExponent; niter <= 0 returns x itself.
double map(double x, double param, std::int16_t niter, const Notifier& notify = {});

// The seed in [0, 1]: "0." followed by the decimal codes of the characters (8-bit code-page
// bytes), read as a decimal number and rounded to the nearest double; "0.6" for the empty text.
// A text whose digits begin with seventeen or more nines rounds up to exactly 1, which the map
// takes like any other value in its range.
double DoublefromString(std::string_view codes);

// Most characters a personal password may have: its length and the loop over it are 16-bit.
inline constexpr std::size_t kMaxPasswordChars = 32766;

// The refusal of a personal password longer than kMaxPasswordChars; how_many is its length, or a
// text such as "more than 32766" where the rest was not read.
EngineError too_long_password(const std::string& how_many);

// How many leading characters of codes (8-bit code-page bytes) reach the seed: those whose
// decimal codes put at least one digit among the first 17 significant digits of the seed text
// (characters of code 0 before the first significant digit count too, since they move it). Two
// texts that agree in these characters give seeds that are equal or neighbouring doubles; what
// follows them changes the list at most through the seed's last bit. codes.size() when every
// character reaches it.
std::size_t characters_reaching_seed(std::string_view codes);

// Days from (d1, m1, y1) to (d2, m2, y2) by the program's fixed formula (not a calendar count:
// one leap day per four whole years of difference, day numbers used as given).
std::int32_t days(std::int16_t d1, std::int16_t m1, std::int16_t y1, std::int16_t d2,
                  std::int16_t m2, std::int16_t y2);

}  // namespace tessaroll
