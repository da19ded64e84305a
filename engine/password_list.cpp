// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/password_list.h"

#include <cmath>
#include <optional>

#include "engine/checked.h"
#include "engine/code_page.h"
#include "engine/error.h"
#include "engine/fp_env.h"
#include "engine/password_text.h"

namespace tessaroll {

namespace {

// Values computed once per list, before the first password.
struct ListFrame {
    std::int16_t niter;
    double inverse_den;
    std::int16_t count_plus_4;
};

ListFrame frame_for(std::int16_t day, std::int16_t month, std::int16_t year, std::int16_t pnumb) {
    const std::int32_t ndays = days(1, 1, kFirstYear, day, month, year);
    const auto too_far = [&] {
        return EngineError(ErrorKind::Overflow,
                           "The date " + date_text(day, month, year) + " is too far from " +
                               date_text(1, 1, kFirstYear) + " for a list of " +
                               std::to_string(pnumb) +
                               " passwords; choose a nearer date or fewer passwords.");
    };
    const auto nb =
        checked::narrow<std::int16_t>(static_cast<std::int64_t>(std::floor(ndays / 99.0)));
    const auto nb99 = nb ? checked::mul<std::int16_t>(*nb, 99) : std::nullopt;
    const auto pnumb_nb = nb ? checked::mul<std::int16_t>(pnumb, *nb) : std::nullopt;
    // A negative count is what overflows with the date rather than the date itself.
    const auto too_large = [&] {
        return pnumb >= 0 ? too_far()
                          : EngineError(ErrorKind::Overflow,
                                        "The number of passwords " + std::to_string(pnumb) +
                                            " is below 0; a list has 1 to " +
                                            std::to_string(kMaxCount) + " passwords.");
    };
    if (!nb99) {
        throw too_far();
    }
    if (!pnumb_nb) {
        throw too_large();
    }
    // ndays - nb * 99 lies in 0 to 98, so niter is 5 to 103.
    const auto niter = static_cast<std::int16_t>(ndays - *nb99 + 5);
    const auto den = checked::add<std::int32_t>(*pnumb_nb, ndays);
    if (!den) {
        throw too_large();
    }
    if (*den == 0) {
        throw EngineError(ErrorKind::DivisionByZero,
                          ndays == 0
                              ? "The date " + date_text(day, month, year) +
                                    " is day 0 of the count, for which no list can be computed; "
                                    "choose " +
                                    date_text(2, 1, kFirstYear) + " or a later date."
                              : "The date " + date_text(day, month, year) + " with a count of " +
                                    std::to_string(pnumb) +
                                    " makes the break points divide by 0; choose another count.");
    }
    ListFrame frame{niter, 1.0 / *den, 0};
    if (pnumb >= 1) {
        const auto sum = checked::add<std::int16_t>(pnumb, 4);
        if (!sum) {
            throw too_far();
        }
        frame.count_plus_4 = *sum;
    }
    return frame;
}

}  // namespace

std::vector<std::string> compute_passwords(std::string_view personal, std::int16_t day,
                                           std::int16_t month, std::int16_t year,
                                           std::int16_t pnumb, std::int16_t lentgh,
                                           std::span<const std::int16_t> typ, CodePage code_page,
                                           const Notifier& notify) {
    double seed = DoublefromString(to_code_page(personal, code_page));
    const ListFrame frame = frame_for(day, month, year, pnumb);
    if (pnumb <= 0) {
        return {};
    }
    if (lentgh >= 0 && static_cast<std::size_t>(lentgh) >= typ.size()) {
        throw EngineError(ErrorKind::LengthTooLarge,
                          "The password length " + std::to_string(lentgh) + " is more than " +
                              std::to_string(typ.size() - 1) + ", the longest the pattern covers.");
    }
    if (pnumb > kMaxCount) {
        throw EngineError(ErrorKind::CountTooLarge,
                          "The number of passwords " + std::to_string(pnumb) + " is more than " +
                              std::to_string(kMaxCount) + ", the most a list holds.");
    }

    // Break points: t = i / (pnumb + 4) + 1 / den, brought back into (0, 1] by one subtraction.
    std::vector<double> breaks(static_cast<std::size_t>(pnumb));
    for (std::int16_t i = 1; i <= pnumb; ++i) {
        double t = static_cast<double>(i) / frame.count_plus_4 + frame.inverse_den;
        if (t > 1) {
            t = t - 1;
        }
        // A seed of 0 stays at the map's fixed point and never takes the power of t.
        if (t < 0 && seed != 0) {
            throw EngineError(ErrorKind::NegativeBreakPoint,
                              "The date " + date_text(day, month, year) +
                                  " lies too close before " + date_text(1, 1, kFirstYear) +
                                  ": password " + std::to_string(i) +
                                  " would need a negative break point; choose another date.");
        }
        breaks[static_cast<std::size_t>(i - 1)] = t;
    }

    std::vector<std::string> list;
    list.reserve(breaks.size());
    for (const double t : breaks) {
        if (seed == t) {
            seed = seed * 0.55;  // stays in force for the rest of the list
        }
        double v = map(seed, t, frame.niter, notify);
        if (v == 0) {
            v = t * 0.99;
        }
        if (v < 0.11 && seed <= 0.11) {
            v = 1 - t * 0.98;
        }
        if (v < 0.11) {
            v = t * 0.99;
        }
        list.push_back(StringfromDouble(v, typ, lentgh, notify));
    }
    return list;
}

std::string date_text(std::int16_t day, std::int16_t month, std::int16_t year) {
    return std::to_string(month) + "/" + std::to_string(day) + "/" + std::to_string(year);
}

std::string date_line(std::int16_t day, std::int16_t month, std::int16_t year) {
    return "Date=" + date_text(day, month, year);
}

std::string password_line(std::size_t i, std::string_view password) {
    std::string line = "Password " + std::to_string(i) + "= ";
    line += password;
    return line;
}

}  // namespace tessaroll
