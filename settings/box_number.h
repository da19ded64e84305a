// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a number out of a box's text, the same way for every box of the program and every
// number the command line takes.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string_view>

namespace tessaroll {

class BoxNumberError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The text as a decimal number (blanks before and after allowed, "2.5", "-.5" and "1e2" too),
// read as the nearest double and rounded to the nearest whole number with halves to the even
// neighbour: "2.5" is 2, "3.5" is 4, " 7 " is 7. Only the blank (0x20) counts as a blank; a tab,
// "inf", "nan", hexadecimal and thousands separators are not numbers. Throws BoxNumberError, a
// sentence that quotes the text, for anything that is not a number or lies outside -32768 to
// 32767 after rounding.
std::int16_t box_number(std::string_view text);

}  // namespace tessaroll
