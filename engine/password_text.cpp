// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/password_text.h"

#include <charconv>
#include <cmath>
#include <string_view>

#include "engine/checked.h"
#include "engine/error.h"
#include "engine/fp_env.h"
#include "engine/power_map_step.h"

namespace tessaroll {

namespace {

constexpr std::string_view kLetters = "qwertyuiopasdfghjklzxcvbnm";
constexpr double kTextBreakPoint = 0.5;

// Whole-number double as bare decimal text (no exponent, no fraction).
std::string whole_number_text(double w) {
    char buf[400];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, w, std::chars_format::fixed, 0);
    (void)ec;  // 400 characters hold any double in fixed notation
    return std::string(buf, end);
}

std::string_view trim_spaces(std::string_view s) {
    while (!s.empty() && s.front() == ' ') {
        s.remove_prefix(1);
    }
    while (!s.empty() && s.back() == ' ') {
        s.remove_suffix(1);
    }
    return s;
}

}  // namespace

std::string Digit(double x) {
    const double w = std::floor(x * 10);
    if (w == 0) {
        return " 0";  // also for -0
    }
    return w > 0 ? " " + whole_number_text(w) : whole_number_text(w);
}

std::string Letter(double x) {
    const double number = std::floor(x * 26) + 1;
    if (!(number >= INT16_MIN && number <= INT16_MAX)) {
        throw EngineError(ErrorKind::Overflow, "The letter number " + whole_number_text(number) +
                                                   " does not fit in 16 bits.");
    }
    const auto n = static_cast<std::int16_t>(number);
    if (n < 1 || n > 26) {
        return {};
    }
    return std::string(1, kLetters[static_cast<std::size_t>(n - 1)]);
}

std::string StringfromDouble(double x, std::span<const std::int16_t> typ, std::int16_t lentgh,
                             const Notifier& notify) {
    if (lentgh >= 0 && static_cast<std::size_t>(lentgh) >= typ.size()) {
        throw EngineError(ErrorKind::LengthTooLarge,
                          "The password length " + std::to_string(lentgh) + " is more than " +
                              std::to_string(typ.size() - 1) + ", the most the pattern covers.");
    }
    std::string result;
    const MapStep step(kTextExponent, kTextBreakPoint);
    double v = x;
    for (std::int16_t k = 1; k <= lentgh; ++k) {
        v = step(v, notify);
        const std::string piece = typ[static_cast<std::size_t>(k)] == 0 ? Digit(v) : Letter(v);
        result += trim_spaces(piece);
    }
    return result;
}

}  // namespace tessaroll
