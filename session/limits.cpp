// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/limits.h"

#include <array>
#include <chrono>
#include <optional>

#include "engine/chaotic_map.h"
#include "engine/error.h"

namespace tessaroll {

namespace {

namespace chr = std::chrono;

// The day count the list of a date is computed from; none where the count itself is refused.
std::optional<std::int32_t> day_count(std::int16_t day, std::int16_t month, std::int16_t year) {
    try {
        return days(1, 1, kFirstYear, day, month, year);
    } catch (const EngineError&) {
        return std::nullopt;
    }
}

std::string calendar_text(const chr::year_month_day& d) {
    return day_first(static_cast<std::int16_t>(static_cast<unsigned>(d.day())),
                     static_cast<std::int16_t>(static_cast<unsigned>(d.month())),
                     static_cast<std::int16_t>(static_cast<int>(d.year())));
}

}  // namespace

std::string day_first(std::int16_t day, std::int16_t month, std::int16_t year) {
    return std::to_string(day) + "/" + std::to_string(month) + "/" + std::to_string(year);
}

std::string date_note(std::int16_t day, std::int16_t month, std::int16_t year) {
    if (month < 1 || month > 12) {
        return {};
    }
    const std::string given = day_first(day, month, year);
    const chr::year_month_day first_of_month{chr::year{year},
                                             chr::month{static_cast<unsigned>(month)}, chr::day{1}};
    const chr::sys_days near = chr::sys_days{first_of_month} + chr::days{day - 1};
    if (day >= 1 && chr::year_month_day{near}.month() == first_of_month.month()) {
        if (year < kFirstYear) {
            return given + " lies before " + std::to_string(kFirstYear) +
                   ", the first year in the Year list; the list is the one of that date all the "
                   "same.";
        }
        return {};
    }
    // The list depends on the day count alone, which counts days as given (day 31 of February is
    // day 3 of March) and gives every fourth year one day more. The calendar date with the same
    // count lies within a few days of the one the calendar reaches by counting on.
    const std::optional<std::int32_t> count = day_count(day, month, year);
    if (!count) {
        return {};
    }
    for (const int step : std::array{0, -1, 1, -2, 2, -3, 3}) {
        const chr::year_month_day d{near + chr::days{step}};
        const auto y = static_cast<int>(d.year());
        if (y < INT16_MIN || y > INT16_MAX) {
            continue;
        }
        if (day_count(static_cast<std::int16_t>(static_cast<unsigned>(d.day())),
                      static_cast<std::int16_t>(static_cast<unsigned>(d.month())),
                      static_cast<std::int16_t>(y)) == count) {
            return given + " is not a date; the list is the one of " + calendar_text(d) + ".";
        }
    }
    return given + " is not a date, and no calendar date has this list.";
}

}  // namespace tessaroll
