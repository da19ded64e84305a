// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/box_number.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

namespace tessaroll {

namespace {

constexpr std::size_t kShownChars = 40;

[[noreturn]] void refuse(std::string_view text, std::string_view why) {
    std::string shown(text.substr(0, kShownChars));
    if (text.size() > kShownChars) {
        shown += "...";
    }
    throw BoxNumberError("\"" + shown + "\" " + std::string(why));
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Checks the form [sign] digits [. digits] [e [sign] digits] (at least one digit before or after
// the point) and works out the decimal order of the value: |value| lies in [10^(order-1),
// 10^order). Returns false for any other text; zero gives is_zero.
bool decimal_form(std::string_view s, std::int64_t& order, bool& is_zero) {
    constexpr std::int64_t kHuge = 1'000'000'000;
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        ++i;
    }
    std::int64_t integer_digits = 0;  // significant digits before the point
    std::int64_t leading_zeros = 0;   // zeros after the point before the first nonzero digit
    bool nonzero = false;
    bool any_digit = false;
    for (; i < s.size() && is_digit(s[i]); ++i) {
        any_digit = true;
        if (s[i] != '0' || nonzero) {
            nonzero = true;
            integer_digits = std::min(integer_digits + 1, kHuge);
        }
    }
    if (i < s.size() && s[i] == '.') {
        for (++i; i < s.size() && is_digit(s[i]); ++i) {
            any_digit = true;
            if (!nonzero) {
                if (s[i] == '0') {
                    leading_zeros = std::min(leading_zeros + 1, kHuge);
                } else {
                    nonzero = true;
                }
            }
        }
    }
    if (!any_digit) {
        return false;
    }
    std::int64_t exponent = 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        bool negative = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
            negative = s[i] == '-';
            ++i;
        }
        if (i == s.size() || !is_digit(s[i])) {
            return false;
        }
        for (; i < s.size() && is_digit(s[i]); ++i) {
            exponent = std::min(exponent * 10 + (s[i] - '0'), kHuge);
        }
        if (negative) {
            exponent = -exponent;
        }
    }
    if (i != s.size()) {
        return false;
    }
    is_zero = !nonzero;
    order = (integer_digits > 0 ? integer_digits : -leading_zeros) + exponent;
    return true;
}

// Nearest whole number, halves to the even neighbour, whatever the rounding mode.
double round_half_even(double v) {
    const double down = std::floor(v);
    const double rest = v - down;  // exact for the magnitudes that reach here
    if (rest > 0.5 || (rest == 0.5 && std::fmod(down, 2.0) != 0)) {
        return down + 1;
    }
    return down;
}

}  // namespace

std::int16_t box_number(std::string_view text) {
    std::string_view s = text;
    while (!s.empty() && s.front() == ' ') {
        s.remove_prefix(1);
    }
    while (!s.empty() && s.back() == ' ') {
        s.remove_suffix(1);
    }
    std::int64_t order = 0;
    bool is_zero = false;
    if (!decimal_form(s, order, is_zero)) {
        refuse(text, "is not a number.");
    }
    if (is_zero || order < 0) {
        return 0;  // below 0.1 in size: rounds to 0
    }
    if (order > 6) {
        refuse(text, "is outside -32768 to 32767.");  // a million or more in size
    }
    if (s.front() == '+') {
        s.remove_prefix(1);  // from_chars takes a minus sign only
    }
    double value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc{} || end != s.data() + s.size()) {
        refuse(text, "is not a number.");  // not reached after decimal_form
    }
    const double rounded = round_half_even(value);
    if (rounded < -32768 || rounded > 32767) {
        refuse(text, "is outside -32768 to 32767.");
    }
    return static_cast<std::int16_t>(rounded);
}

}  // namespace tessaroll
