// SPDX-License-Identifier: GPL-3.0-or-later
// Turning one value of the chaotic map into the text of one password.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "engine/chaotic_map.h"

namespace tessaroll {

// Walks the map (exponent kTextExponent, break point 0.5) from x, one step per position
// k = 1 .. lentgh, and reads each new value as a digit (typ[k] == 0) or a letter (otherwise).
// typ[0] is never read; lentgh must be below typ.size().
std::string StringfromDouble(double x, std::span<const std::int16_t> typ, std::int16_t lentgh,
                             const Notifier& notify = {});

// floor(10 x) as decimal text with a sign place: " 7" for 0.7, " 10" for 1, "-3" for -0.25.
std::string Digit(double x);

// Letter number floor(26 x) + 1 looked up in the keyboard-row table "qwertyuiop...";
// the empty text for a number outside 1 to 26.
std::string Letter(double x);

}  // namespace tessaroll
