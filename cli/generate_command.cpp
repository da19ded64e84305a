// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/generate_command.h"

#include <chrono>
#include <iostream>
#include <vector>

#include "cli/cli_app.h"
#include "cli/options.h"
#include "cli/password_input.h"
#include "cli/standard_streams.h"
#include "engine/atomic_file.h"
#include "engine/error.h"
#include "engine/fingerprint.h"
#include "engine/list_file.h"
#include "engine/password_list.h"
#include "session/limits.h"
#include "session/list_flow.h"
#include "session/password_notes.h"
#include "session/settings_store.h"
#include "settings/generation_settings.h"
#include "settings/pattern_file.h"

namespace tessaroll::cli {

namespace {

namespace chr = std::chrono;

ListDate start_date(const GenerateOptions& o) {
    if (o.date && (o.day || o.month || o.year)) {
        throw UsageError{"--date cannot be combined with --day, --month or --year."};
    }
    if (o.date) {
        return parse_iso_date("date", *o.date);
    }
    ListDate d = today();
    if (o.day) {
        d.day = option_number("day", *o.day);
    }
    if (o.month) {
        d.month = option_number("month", *o.month);
    }
    if (o.year) {
        d.year = option_number("year", *o.year);
    }
    return d;
}

chr::sys_days calendar_day(const ListDate& d, const std::string& what) {
    const chr::year_month_day ymd{chr::year{d.year}, chr::month{static_cast<unsigned>(d.month)},
                                  chr::day{static_cast<unsigned>(d.day)}};
    if (d.month < 1 || d.day < 1 || !ymd.ok()) {
        throw UsageError{what + " " + date_text(d.day, d.month, d.year) +
                         " is not a calendar date; --until needs one."};
    }
    return chr::sys_days{ymd};
}

struct DayRange {
    chr::sys_days from, to;
};

// The days of --until: from the start date to that date, at most kMaxUntilYears years.
DayRange day_range(const GenerateOptions& o, const ListDate& first) {
    if (o.output_dir) {
        throw UsageError{"--until cannot be combined with --output-dir."};
    }
    const ListDate last = parse_iso_date("until", *o.until);
    const DayRange range{calendar_day(first, "The start date"),
                         calendar_day(last, "The --until date")};
    if (range.to < range.from) {
        throw UsageError{"--until " + *o.until + " lies before the start date."};
    }
    if (chr::year_month_day{range.from} + chr::years{kMaxUntilYears} <
        chr::year_month_day{range.to}) {
        const std::string years = std::to_string(kMaxUntilYears);
        throw UsageError{"--until " + *o.until + " lies more than " + years +
                         " years after the start date; print at most " + years +
                         " years of lists at once."};
    }
    return range;
}

}  // namespace

GenerationSettings settings_from(const GenerateOptions& o) {
    GenerationSettings s;
    s.pnumb = kDefaultCount;
    s.lentgh = kDefaultLength;
    if (o.pattern_file) {
        const PatternLoadResult r = load_pattern_file(*o.pattern_file, s);
        if (r.status == PatternLoad::Absent) {
            throw FileError("There is no pattern file " + shown_name(*o.pattern_file) +
                            " (no ordinary file of that name). \"tessaroll-cli pattern set\" "
                            "creates one.");
        }
        // A list from settings the file holds only in part is not what the user asked for.
        if (r.refused) {
            throw FileRefusal(r.problem);
        }
        if (r.status == PatternLoad::Incomplete) {
            // Writing the file anew helps only where its content is at fault.
            throw FileError(r.problem + " No list was computed" +
                            (r.error != 0 ? std::string(".")
                                          : "; mend the file, or write it anew with "
                                            "\"tessaroll-cli pattern set --force\"."));
        }
        if (!r.note.empty()) {
            warn(r.note);
        }
    }
    if (o.count) {
        s.pnumb = option_number("count", *o.count);
    }
    if (o.length) {
        s.lentgh = option_number("length", *o.length);
    }
    if (o.pattern) {
        set_pattern_letters(s, pattern_option(*o.pattern));
    }
    // Refused here, before the personal password is asked for, with make_list's sentences.
    const auto check = [&](bool in_range, const char* name, std::int16_t value,
                           const std::string& sentence, bool from_option) {
        if (in_range) {
            return;
        }
        if (from_option) {
            throw Refusal{option_refusal(name, value, sentence)};
        }
        throw Refusal{"The pattern file " + shown_name(*o.pattern_file) + " holds the " + name +
                      " " + std::to_string(value) + ". " + sentence + " Give --" + name +
                      ", or change the file with \"tessaroll-cli pattern set --" + name + " N\"."};
    };
    check(s.pnumb >= kMinCount && s.pnumb <= kMaxCount, "count", s.pnumb, count_refusal(s.pnumb),
          o.count.has_value());
    check(s.lentgh >= kMinLength && s.lentgh <= kMaxLength, "length", s.lentgh,
          length_refusal(s.lentgh), o.length.has_value());
    return s;
}

namespace {

// Typed unseen, the password is checked by its fingerprint, the one the window shows.
void show_fingerprint(const std::string& personal, CodePage code_page) {
    std::string words;
    try {
        words = fingerprint_words(password_fingerprint(to_code_page(personal, code_page)));
    } catch (const EngineError&) {
        return;  // too long for a seed: the refusal of the list says so, and no line is begun
    }
    std::cerr << "Fingerprint of the personal password: " << words << '\n';
}

}  // namespace

void show_personal_password_notes(const std::string& personal, CodePage code_page,
                                  bool fingerprint) {
    if (fingerprint || stdin_is_terminal()) {
        show_fingerprint(personal, code_page);
    }
    // Characters that do not reach the seed as typed, the empty password, and characters beyond
    // the seed: users who count on them must know when they change nothing.
    for (const std::string& note : personal_password_notes(personal, code_page)) {
        write_error_line(note);
    }
}

// "List for 12/7/2026, today here." when the date of the list came from the clock, in whole or
// in part; empty when the options gave all of it.
static std::string clock_date_note(const GenerateOptions& o, const ListDate& d) {
    if (o.date || (o.day && o.month && o.year)) {
        return {};
    }
    const std::string date = date_text(d.day, d.month, d.year);
    if (!o.day && !o.month && !o.year) {
        return "List for " + date + ", today here.";
    }
    std::string parts;
    for (const auto& [given, name] :
         {std::pair{o.day.has_value(), "day"}, std::pair{o.month.has_value(), "month"},
          std::pair{o.year.has_value(), "year"}}) {
        if (!given) {
            parts += std::string(parts.empty() ? "" : " and ") + name;
        }
    }
    return "List for " + date + ", with the " + parts + " of today here.";
}

CLI::App* add_generate_command(CLI::App& app, GenerateOptions& g) {
    const std::string max_count = std::to_string(kMaxCount);
    const std::string max_length = std::to_string(kMaxLength);
    auto* gen = app.add_subcommand(
        "generate",
        "Print the password list of a date. The personal password is read from standard input.");
    gen->add_option("--day", g.day, "Day of the month (default: today)");
    gen->add_option("--month", g.month, "Month number (default: today)");
    gen->add_option("--year", g.year, "Year (default: today)");
    gen->add_option("--date", g.date, "The date as YYYY-MM-DD, instead of --day/--month/--year");
    gen->add_option("--count", g.count,
                    "Number of passwords (default: from --pattern-file, else " +
                        std::to_string(kDefaultCount) + "; at most " + max_count + ")");
    gen->add_option("--length", g.length,
                    "Characters per password (default: from --pattern-file, else " +
                        std::to_string(kDefaultLength) + "; at most " + max_length + ")");
    gen->add_option("--pattern", g.pattern,
                    "d (digit) or l (letter) for each position; positions beyond it are digits");
    gen->add_option("--output-dir", g.output_dir, "Also write DIR/output.txt");
    gen->add_option("--until", g.until,
                    "Print one list per day from the date up to this date (YYYY-MM-DD), at most " +
                        std::to_string(kMaxUntilYears) + " years later");
    gen->add_flag("--fingerprint", g.fingerprint,
                  "Print the fingerprint of the personal password on standard error (done anyway "
                  "when it is typed at a terminal)");
    gen->add_option("--pattern-file", g.pattern_file,
                    "Take count, length and pattern from this pattern file (--count, --length and "
                    "--pattern override it)");
    gen->add_option(
        "--code-page", g.code_page,
        "The Windows code page whose character codes the personal password has, and "
        "that of output.txt: " +
            known_code_pages_text() +
            " (default: the system's on Windows, else the one Windows has for the locale's "
            "language: LC_ALL, LC_CTYPE or LANG)");
    return gen;
}

int run_generate(const GenerateOptions& o) {
    const CodePage code_page = code_page_in_force(o.code_page);
    ListRequest request;
    request.date = start_date(o);
    request.settings = settings_from(o);
    if (o.output_dir) {
        // Refused, or warned about, before the personal password is asked for.
        const FolderTrust trust = check_folder_trust(*o.output_dir);
        if (!trust.refusal.empty()) {
            throw FileRefusal(trust.refusal);
        }
        if (!trust.warning.empty()) {
            warn(trust.warning);
        }
    }
    request.code_page = code_page;
    std::optional<DayRange> range;
    if (o.until) {
        range = day_range(o, request.date);
    }

    request.personal = read_personal_password();
    show_personal_password_notes(request.personal, code_page, o.fingerprint);
    const Notifier notify = [](std::string_view message) { std::cerr << message << '\n'; };

    if (!range) {
        if (o.output_dir) {
            request.output_folder = *o.output_dir;
            request.timestamp = current_timestamp_text();
        }
        const std::vector<std::string> list = make_list(request, notify);
        // The window names a date that is not in the calendar in its status line.
        if (const std::string note =
                date_note(request.date.day, request.date.month, request.date.year);
            !note.empty()) {
            std::cerr << note << '\n';
        }
        std::cout << list_text(list);
        // A date from the clock is that of the time zone in force, which may not be the one the
        // second party means: said, so that the lists of two days are never mistaken.
        if (const std::string said = clock_date_note(o, request.date); !said.empty()) {
            std::cerr << said << '\n';
        }
        return kExitOk;
    }

    int status = kExitOk;
    for (chr::sys_days d = range->from; d <= range->to; d += chr::days{1}) {
        const chr::year_month_day ymd{d};
        request.date.day = static_cast<std::int16_t>(static_cast<unsigned>(ymd.day()));
        request.date.month = static_cast<std::int16_t>(static_cast<unsigned>(ymd.month()));
        request.date.year = static_cast<std::int16_t>(static_cast<int>(ymd.year()));
        std::cout << date_line(request.date.day, request.date.month, request.date.year) << '\n';
        try {
            std::cout << list_text(make_list(request, notify));
        } catch (const ListRefusal& e) {
            std::cout << e.what() << '\n';
            status = kExitRefused;
        }
        std::cout << '\n';
    }
    return status;
}

}  // namespace tessaroll::cli
