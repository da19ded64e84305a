// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/chaotic_map.h"

#include <array>
#include <charconv>
#include <cmath>
#include <string>

#include "engine/checked.h"
#include "engine/error.h"
#include "engine/fp_env.h"
#include "engine/power.h"
#include "engine/power_map_step.h"

namespace tessaroll {

namespace {

// Days of a common year before month m, for m = 1 to 12.
constexpr std::array<std::int16_t, 12> kMonthOffset = {0,   31,  59,  90,  120, 151,
                                                       181, 212, 243, 273, 304, 334};

std::int16_t month_offset(std::int16_t m) {
    if (m < 1 || m > 12) {
        throw EngineError(ErrorKind::MonthOutOfRange,
                          "The month " + std::to_string(m) + " is outside 1 to 12.");
    }
    return kMonthOffset[static_cast<std::size_t>(m - 1)];
}

}  // namespace

double MapStep::operator()(double x, const Notifier& notify) const {
    // Zero is a fixed point of the map; a NaN also ends here.
    if (x == 0 || std::isnan(x)) {
        return 0;
    }
    // Rising flank, 0 < x <= p: the quotient is rounded before the power.
    if (!(x < 0) && !(x > p_)) {
        return pow_cr(x / p_, e_);
    }
    // Falling flank, p < x <= 1: numerator, then denominator, then the quotient.
    if (x > p_ && !(x > 1)) {
        if (p_ < 0) {
            throw EngineError(
                ErrorKind::NegativeBreakPoint,
                "The break point " + std::to_string(p_) + " is negative; its power is undefined.");
        }
        const double num = pow_cr(x, e_) - 1;
        if (!has_den_) {  // the same for every step with this p and a
            den_ = pow_cr(p_, e_) - 1;
            has_den_ = true;
        }
        if (den_ == 0) {
            throw EngineError(ErrorKind::DivisionByZero, "The break point " + std::to_string(p_) +
                                                             " makes the map divide by 0.");
        }
        return num / den_;
    }
    // Outside [0, 1]: report, then carry on from 0.
    if (notify) {
        notify(kMapMessage);
    }
    return 0;
}

double map1(double x, float a, double p, const Notifier& notify) {
    return MapStep(a, p)(x, notify);
}

double map(double x, double param, std::int16_t niter, const Notifier& notify) {
    if (niter == INT16_MAX) {
        throw EngineError(ErrorKind::IterationCountTooLarge,
                          "The map cannot be iterated 32767 times; the most is 32766.");
    }
    const MapStep step(kMapExponent, param);
    double v = x;
    for (std::int16_t i = 1; i <= niter; ++i) {
        v = step(v, notify);
    }
    return v;
}

double DoublefromString(std::string_view codes) {
    if (codes.size() > kMaxPasswordChars) {
        throw too_long_password(std::to_string(codes.size()));
    }
    std::string text = "0.";
    if (codes.empty()) {
        text += '6';
    } else {
        text.reserve(2 + 3 * codes.size());
        for (const char c : codes) {
            text += std::to_string(static_cast<unsigned char>(c));
        }
    }
    // from_chars rounds correctly and always reads "." as the decimal point.
    double seed = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seed);
    (void)end;
    (void)ec;  // "0." and digits always parse; the value lies in [0, 1]
    return seed;
}

EngineError too_long_password(const std::string& how_many) {
    return EngineError(ErrorKind::PasswordTooLong, "The personal password has " + how_many +
                                                       " characters; it must have fewer than " +
                                                       std::to_string(kMaxPasswordChars + 1) + ".");
}

std::size_t characters_reaching_seed(std::string_view codes) {
    constexpr int kSignificantDigits = 17;  // as many as tell two doubles apart
    int significant = 0;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        if (significant >= kSignificantDigits) {
            return i;
        }
        for (const char digit : std::to_string(static_cast<unsigned char>(codes[i]))) {
            if (significant > 0 || digit != '0') {
                ++significant;
            }
        }
    }
    return codes.size();
}

std::int32_t days(std::int16_t d1, std::int16_t m1, std::int16_t y1, std::int16_t d2,
                  std::int16_t m2, std::int16_t y2) {
    const auto dy = checked::sub<std::int16_t>(y2, y1);
    const auto dy365 = dy ? checked::mul<std::int16_t>(*dy, 365) : std::nullopt;
    if (!dy365) {
        throw EngineError(ErrorKind::YearOutOfRange, "The year " + std::to_string(y2) +
                                                         " is more than 89 years away from " +
                                                         std::to_string(y1) + ".");
    }
    const double q = *dy;
    const double sum = std::floor(q / 4) + *dy365 - std::floor(q / 100) + std::floor(q / 400);
    const auto n = static_cast<std::int32_t>(sum);  // whole and within +-33000
    const std::int32_t offset2 = month_offset(m2);
    const std::int32_t offset1 = month_offset(m1);
    return n + offset2 - offset1 + d2 - d1;
}

}  // namespace tessaroll
