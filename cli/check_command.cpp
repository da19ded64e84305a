// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/check_command.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string_view>
#include <vector>

#include "cli/cli_app.h"
#include "cli/options.h"
#include "cli/password_input.h"
#include "engine/password_list.h"
#include "session/constant_time.h"
#include "session/list_flow.h"

namespace tessaroll::cli {

namespace {

namespace chr = std::chrono;

chr::sys_days calendar_day(const ListDate& d, const std::optional<std::string>& option) {
    const chr::year_month_day ymd{chr::year{d.year}, chr::month{static_cast<unsigned>(d.month)},
                                  chr::day{static_cast<unsigned>(d.day)}};
    if (d.month < 1 || d.day < 1 || !ymd.ok()) {
        throw UsageError{"--date " + option.value_or("") +
                         " is not a day of the calendar; check needs one, to find the days "
                         "before and after it."};
    }
    return chr::sys_days{ymd};
}

ListDate list_date(chr::sys_days d) {
    const chr::year_month_day ymd{d};
    return {static_cast<std::int16_t>(static_cast<unsigned>(ymd.day())),
            static_cast<std::int16_t>(static_cast<unsigned>(ymd.month())),
            static_cast<std::int16_t>(static_cast<int>(ymd.year()))};
}

std::string shown_date(const ListDate& d) {
    return date_text(d.day, d.month, d.year);
}

std::string iso_date(const ListDate& d) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", d.year, d.month, d.day);
    return text;
}

int window_days(const std::optional<std::string>& option) {
    if (!option) {
        return kDefaultCheckDays;
    }
    const int days = option_number("days", *option);
    if (days < 0 || days > kMaxCheckDays) {
        throw UsageError{"--days " + std::to_string(days) +
                         ": give the number of days before and "
                         "after the date to search, from 0 to " +
                         std::to_string(kMaxCheckDays) + "."};
    }
    return days;
}

std::optional<int> number_option(const std::optional<std::string>& option, int count) {
    if (!option) {
        return std::nullopt;
    }
    const int number = option_number("number", *option);
    if (number < 1 || number > count) {
        throw UsageError{"--number " + std::to_string(number) + ": the lists have " +
                         std::to_string(count) + " passwords; give a number from 1 to " +
                         std::to_string(count) + "."};
    }
    return number;
}

// "the day before", "2 days after".
std::string offset_words(int offset) {
    if (offset == -1) {
        return "the day before";
    }
    if (offset == 1) {
        return "the day after";
    }
    return std::to_string(offset < 0 ? -offset : offset) +
           (offset < 0 ? " days before" : " days after");
}

// Where a password of the window stands.
struct Place {
    int offset = 0;  // days after the date asked (negative: before)
    int number = 0;  // in its list, from 1
    ListDate date;
};

}  // namespace

CLI::App* add_check_command(CLI::App& app, CheckOptions& c) {
    GenerateOptions& g = c.list;
    auto* check = app.add_subcommand(
        "check",
        "Say which password of which day's list a password is. The personal password is read "
        "from standard input, then the password to check.");
    check->add_option(
        "--date", g.date,
        "The date as YYYY-MM-DD (default: today); the days around it are searched too");
    check->add_option("--days", c.days,
                      "Days before and after the date to search, 0 to " +
                          std::to_string(kMaxCheckDays) +
                          " (default: " + std::to_string(kDefaultCheckDays) + ")");
    check->add_option("--number", c.number, "Check only password N of each list");
    check->add_option("--count", g.count, "Number of passwords in each list, as for generate");
    check->add_option("--length", g.length, "Characters per password, as for generate");
    check->add_option("--pattern", g.pattern,
                      "d (digit) or l (letter) for each position, as for generate");
    check->add_option("--pattern-file", g.pattern_file,
                      "Take count, length and pattern from this pattern file, as for generate");
    check->add_option(
        "--code-page", g.code_page,
        "The code page of the personal password, as for generate: " + known_code_pages_text());
    check->add_flag("--fingerprint", g.fingerprint,
                    "Print the fingerprint of the personal password on standard error, as for "
                    "generate");
    check->add_flag("--json", c.json,
                    "Print one JSON object: found, number, date (YYYY-MM-DD), offset in days");
    return check;
}

int run_check(const CheckOptions& o) {
    const CodePage code_page = code_page_in_force(o.list.code_page);
    const ListDate asked = o.list.date ? parse_iso_date("date", *o.list.date) : today();
    const chr::sys_days centre = calendar_day(asked, o.list.date);
    const int days = window_days(o.days);
    ListRequest request;
    request.settings = settings_from(o.list);
    request.code_page = code_page;
    const std::optional<int> number = number_option(o.number, request.settings.pnumb);

    request.personal = read_personal_password();
    show_personal_password_notes(request.personal, code_page, o.list.fingerprint);
    const std::string candidate = read_password_to_check();
    const Notifier notify = [](std::string_view message) { std::cerr << message << '\n'; };

    // The lists in the order in which a password found twice is reported: the date asked, then
    // the nearer days first, the day before ahead of the day after.
    std::vector<std::string> passwords;
    std::vector<Place> places;
    std::vector<std::string> refusals;
    int earliest = days + 1;  // the first and the last day whose list was computed
    int latest = -days - 1;
    for (int k = 0; k <= 2 * days; ++k) {
        const int offset = k % 2 == 1 ? -(k + 1) / 2 : k / 2;
        request.date = list_date(centre + chr::days{offset});
        std::vector<std::string> list;
        try {
            list = make_list(request, notify);
        } catch (const ListRefusal& e) {
            refusals.emplace_back(e.what());
            continue;
        }
        earliest = std::min(earliest, offset);
        latest = std::max(latest, offset);
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (!number || static_cast<int>(i) + 1 == *number) {
                passwords.push_back(std::move(list[i]));
                places.push_back({offset, static_cast<int>(i) + 1, request.date});
            }
        }
    }
    if (places.empty()) {
        throw ListRefusal(refusals.front());
    }
    // The rest of the window was searched; the user learns which days were not.
    for (const std::string& refusal : refusals) {
        warn(refusal);
    }

    const std::optional<std::size_t> found = first_equal(passwords, candidate);
    if (o.json) {
        nlohmann::ordered_json answer;
        answer["found"] = found.has_value();
        answer["number"] = found ? nlohmann::ordered_json(places[*found].number) : nullptr;
        answer["date"] = found ? nlohmann::ordered_json(iso_date(places[*found].date)) : nullptr;
        answer["offset"] = found ? nlohmann::ordered_json(places[*found].offset) : nullptr;
        std::cout << answer.dump() << '\n';
    } else if (found) {
        const Place& p = places[*found];
        std::cout << "Password " << p.number << " of " << shown_date(p.date)
                  << (p.offset == 0 ? "" : ", " + offset_words(p.offset)) << '\n';
    } else {
        const std::string from = shown_date(list_date(centre + chr::days{earliest}));
        const std::string to = shown_date(list_date(centre + chr::days{latest}));
        std::cout << (number ? "Not password " + std::to_string(*number) + " of the list"
                             : std::string("Not in the list"))
                  << (earliest == latest ? " of " + from : "s of " + from + " to " + to) << '\n';
    }
    return found ? kExitOk : kExitRefused;
}

}  // namespace tessaroll::cli
