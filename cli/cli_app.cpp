#include "cli/cli_app.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/password_input.h"
#include "cli/self_test.h"
#include "engine/atomic_file.h"
#include "engine/code_page.h"
#include "engine/error.h"
#include "engine/fingerprint.h"
#include "engine/list_file.h"
#include "engine/password_list.h"
#include "settings/box_number.h"
#include "settings/files_folder.h"
#include "settings/generation_settings.h"
#include "settings/pattern_file.h"
#include "tessaroll/version.h"

namespace tessaroll::cli {

namespace {

namespace chr = std::chrono;

struct UsageError {
    std::string message;
};

struct Date {
    std::int16_t day, month, year;
};

struct GenerateOptions {
    std::optional<std::string> day, month, year, date, until, count, length, pattern, output_dir,
        pattern_file, code_page;
    bool fingerprint = false;
};

struct PatternOptions {
    std::optional<std::string> count, length, pattern;
    std::string pattern_file;     // the file saved to
    std::string read_file;        // the file read: pattern_file, or an older one (see below)
    bool private_folder = false;  // pattern_file's folder is created, for the user only
};

// Without --pattern-file the pattern commands use the window program's own pattern.tq, by the
// same rule (settings/files_folder.h): beside tessaroll-cli in a portable copy, in the user's
// data folder for an installed one, read from beside the program while that folder has none.
void choose_pattern_file(PatternOptions& o, bool named) {
    if (named) {
        o.read_file = o.pattern_file;
        return;
    }
    const FilesFolder f = choose_files_folder(executable_folder(), {}, user_data_folder());
    o.pattern_file = (f.folder / kPatternFileName).string();
    o.read_file = pattern_file_to_read(f).string();
    o.private_folder = f.place == FilesPlace::UserFolder;
}

std::int16_t option_number(const std::string& name, const std::string& text) {
    try {
        return box_number(text);
    } catch (const BoxNumberError& e) {
        throw UsageError{"--" + name + ": " + e.what()};
    }
}

Date today() {
    const std::tm local = local_time_now();
    return {static_cast<std::int16_t>(local.tm_mday), static_cast<std::int16_t>(local.tm_mon + 1),
            static_cast<std::int16_t>(local.tm_year + 1900)};
}

// "YYYY-MM-DD" with whole numbers in each place.
Date parse_iso_date(const std::string& option, const std::string& text) {
    const auto first = text.find('-', 1);
    const auto second = first == std::string::npos ? first : text.find('-', first + 1);
    if (second == std::string::npos) {
        throw UsageError{"--" + option + ": \"" + text +
                         "\" is not a date of the form YYYY-MM-DD."};
    }
    const auto part = [&](std::size_t from, std::size_t to) {
        const std::string piece = text.substr(from, to - from);
        if (piece.empty() || piece.find_first_not_of("0123456789") != std::string::npos) {
            throw UsageError{"--" + option + ": \"" + text +
                             "\" is not a date of the form YYYY-MM-DD."};
        }
        return option_number(option, piece);
    };
    const std::int16_t year = part(0, first);
    const std::int16_t month = part(first + 1, second);
    const std::int16_t day = part(second + 1, text.size());
    return {day, month, year};
}

chr::year_month_day calendar_date(const Date& d, const std::string& what) {
    const chr::year_month_day ymd{chr::year{d.year}, chr::month{static_cast<unsigned>(d.month)},
                                  chr::day{static_cast<unsigned>(d.day)}};
    if (d.month < 1 || d.day < 1 || !ymd.ok()) {
        throw UsageError{what + " " + std::to_string(d.month) + "/" + std::to_string(d.day) + "/" +
                         std::to_string(d.year) + " is not a calendar date; --until needs one."};
    }
    return ymd;
}

Date start_date(const GenerateOptions& o) {
    if (o.date && (o.day || o.month || o.year)) {
        throw UsageError{"--date cannot be combined with --day, --month or --year."};
    }
    if (o.date) {
        return parse_iso_date("date", *o.date);
    }
    Date d = today();
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

void set_pattern_option(GenerationSettings& s, const std::string& pattern) {
    if (!set_pattern_letters(s, pattern)) {
        throw UsageError{"--pattern: \"" + pattern +
                         "\" must be at most 130 letters d (digit) and l (letter)."};
    }
}

void warn(const std::string& message) {
    std::cerr << "tessaroll-cli: warning: " << message << '\n';
}

// The code page of the personal password and output.txt: --code-page, else the system's, with
// the system's note (a Windows code page the program does not know) said once.
CodePage code_page_in_force(const std::optional<std::string>& option) {
    if (!option) {
        const SystemCodePage system = system_code_page();
        if (!system.note.empty()) {
            warn(system.note);
        }
        return system.code_page;
    }
    long number = 0;
    const char* first = option->data();
    const char* last = first + option->size();
    const auto [end, ec] = std::from_chars(first, last, number);
    const std::optional<CodePage> cp =
        ec == std::errc() && end == last ? code_page_from_number(number) : std::nullopt;
    if (!cp) {
        throw UsageError{"--code-page " + *option +
                         " is not a code page this program knows; give one of " +
                         known_code_pages_text() + "."};
    }
    return *cp;
}

// Loads a pattern file as the window program does at start-up. A file that is not there is
// refused here, since the user named it (or a command that only reads it was given); an
// incomplete one is reported and what was read before the problem is used.
PatternLoad load_pattern_or_refuse(const std::string& file, GenerationSettings& s,
                                   bool absent_is_refused, const std::string& consequence) {
    const PatternLoadResult r = load_pattern_file(file, s);
    if (r.status == PatternLoad::Absent && absent_is_refused) {
        throw FileError("There is no pattern file \"" + file +
                        "\" (no ordinary file of that name). \"tessaroll-cli pattern set\" "
                        "creates one.");
    }
    if (r.status == PatternLoad::Incomplete) {
        warn(r.problem + " " + consequence);
    }
    return r.status;
}

GenerationSettings settings_from(const GenerateOptions& o) {
    GenerationSettings s;
    std::int16_t count = 4;
    std::int16_t length = 10;
    if (o.pattern_file) {
        // After a load that stopped early the window program leaves its count and length boxes
        // empty, so its lists have 4 passwords of 10 characters; the same happens here.
        const PatternLoad status = load_pattern_or_refuse(
            *o.pattern_file, s, true,
            "The list uses the flags read, with count 4 and length 10 unless --count or --length "
            "says otherwise, as the window program does.");
        if (status == PatternLoad::Complete) {
            count = s.pnumb;
            length = s.lentgh;
        }
    }
    s.pnumb = o.count ? option_number("count", *o.count) : count;
    s.lentgh = o.length ? option_number("length", *o.length) : length;
    if (o.pattern) {
        set_pattern_option(s, *o.pattern);
    }
    return s;
}

void print_list(const std::vector<std::string>& list) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        std::cout << password_line(i + 1, list[i]) << '\n';
    }
}

int generate(const GenerateOptions& o) {
    const CodePage code_page = code_page_in_force(o.code_page);
    const Date first = start_date(o);
    const GenerationSettings settings = settings_from(o);
    std::optional<Date> last;
    if (o.until) {
        if (o.output_dir) {
            throw UsageError{"--until cannot be combined with --output-dir."};
        }
        last = parse_iso_date("until", *o.until);
    }
    const Notifier notify = [](std::string_view message) { std::cerr << message << '\n'; };
    const std::string personal = read_personal_password();
    // Typed unseen, the password is checked by its fingerprint, the one the window shows.
    if (o.fingerprint || stdin_is_terminal()) {
        try {
            std::cerr << "Fingerprint of the personal password: "
                      << fingerprint_words(password_fingerprint(to_code_page(personal, code_page)))
                      << '\n';
        } catch (const EngineError&) {
            // Too long for a seed: the list below says so.
        }
    }

    if (!last) {
        try {
            const auto list = compute_passwords(personal, first.day, first.month, first.year,
                                                settings, code_page, notify);
            if (o.output_dir) {
                write_output_file(*o.output_dir, first.day, first.month, first.year, list,
                                  current_timestamp_text(), code_page);
            }
            print_list(list);
            return kExitOk;
        } catch (const EngineError& e) {
            std::cerr << e.what() << '\n';
        } catch (const FileError& e) {
            std::cerr << e.what() << '\n';
        }
        return kExitRefused;
    }

    const chr::sys_days from{calendar_date(first, "The start date")};
    const chr::sys_days to{calendar_date(*last, "The --until date")};
    if (to < from) {
        throw UsageError{"--until " + *o.until + " lies before the start date."};
    }
    int status = kExitOk;
    for (chr::sys_days d = from; d <= to; d += chr::days{1}) {
        const chr::year_month_day ymd{d};
        const Date date{static_cast<std::int16_t>(static_cast<unsigned>(ymd.day())),
                        static_cast<std::int16_t>(static_cast<unsigned>(ymd.month())),
                        static_cast<std::int16_t>(static_cast<int>(ymd.year()))};
        std::cout << "Date=" << date.month << '/' << date.day << '/' << date.year << '\n';
        try {
            print_list(compute_passwords(personal, date.day, date.month, date.year, settings,
                                         code_page, notify));
        } catch (const EngineError& e) {
            std::cout << e.what() << '\n';
            status = kExitRefused;
        }
        std::cout << '\n';
    }
    return status;
}

int pattern_show(const PatternOptions& o) {
    GenerationSettings s;
    load_pattern_or_refuse(o.read_file, s, true, "The values below are those read before it.");
    std::cout << "count " << s.pnumb << '\n'
              << "length " << s.lentgh << '\n'
              << "pattern " << pattern_letters(s) << '\n';
    return kExitOk;
}

// Changes the settings the options name and keeps the others as the file holds them, then saves
// the whole record the way the window program saves it when it ends.
int pattern_set(const PatternOptions& o) {
    if (!o.count && !o.length && !o.pattern) {
        throw UsageError{"pattern set: give at least one of --count, --length and --pattern."};
    }
    GenerationSettings s;
    load_pattern_or_refuse(o.read_file, s, false,
                           "What was read before it is kept where no option replaces it.");
    if (o.count) {
        s.pnumb = option_number("count", *o.count);
    }
    if (o.length) {
        s.lentgh = option_number("length", *o.length);
    }
    if (o.pattern) {
        set_pattern_option(s, *o.pattern);
        if (o.pattern->size() > static_cast<std::size_t>(std::max<std::int16_t>(s.lentgh, 0))) {
            warn("--pattern has " + std::to_string(o.pattern->size()) +
                 " positions but the length is " + std::to_string(s.lentgh) +
                 "; only the flags of positions 1 to the length are saved.");
        }
    }
    std::string note;
    if (o.private_folder) {
        create_private_folder(std::filesystem::path(o.pattern_file).parent_path());
    }
    try {
        note = save_pattern_file(o.pattern_file, s);
    } catch (const FileError& e) {
        throw FileError(std::string(e.what()) + " The pattern file \"" + o.pattern_file +
                        "\" was left as it was.");
    }
    if (!note.empty()) {
        warn(note);
    }
    return kExitOk;
}

}  // namespace

int run(int argc, char** argv) {
    CLI::App app{"Tessaroll: the numbered password list of a date, from your personal password."};
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("tessaroll-cli ") + kVersion);

    GenerateOptions g;
    auto* gen = app.add_subcommand(
        "generate",
        "Print the password list of a date. The personal password is read from standard input.");
    gen->add_option("--day", g.day, "Day of the month (default: today)");
    gen->add_option("--month", g.month, "Month number (default: today)");
    gen->add_option("--year", g.year, "Year (default: today)");
    gen->add_option("--date", g.date, "The date as YYYY-MM-DD, instead of --day/--month/--year");
    gen->add_option("--count", g.count,
                    "Number of passwords (default: from --pattern-file, else 4; at most 130)");
    gen->add_option("--length", g.length,
                    "Characters per password (default: from --pattern-file, else 10; at most 130)");
    gen->add_option("--pattern", g.pattern,
                    "d (digit) or l (letter) for each position; positions beyond it are digits")
        ->expected(0, 1);
    gen->add_option("--output-dir", g.output_dir, "Also write DIR/output.txt");
    gen->add_option("--until", g.until,
                    "Print one list per day from the date up to this date (YYYY-MM-DD)");
    gen->add_flag("--fingerprint", g.fingerprint,
                  "Print the fingerprint of the personal password on standard error (done anyway "
                  "when it is typed at a terminal)");
    gen->add_option("--pattern-file", g.pattern_file,
                    "Take count, length and pattern from this pattern file (--count, --length and "
                    "--pattern override it)");
    gen->add_option("--code-page", g.code_page,
                    "The Windows code page whose character codes the personal password has, and "
                    "that of output.txt: " +
                        known_code_pages_text() + " (default: the system's on Windows, else 1252)");

    auto* pattern = app.add_subcommand(
        "pattern",
        "Show or change the settings kept in a pattern file, as the window program does");
    pattern->require_subcommand(1);
    PatternOptions show_options;
    auto* show = pattern->add_subcommand(
        "show", "Print the count, the length and flags 1 to 130 (d digit, l letter)");
    auto* show_file = show->add_option("--pattern-file", show_options.pattern_file,
                                       "The pattern file (default: the window program's)");
    PatternOptions set_options;
    auto* set = pattern->add_subcommand(
        "set", "Change the count, the length or the pattern; the file keeps the others");
    set->add_option("--count", set_options.count, "Number of passwords");
    set->add_option("--length", set_options.length, "Characters per password");
    set->add_option("--pattern", set_options.pattern,
                    "d (digit) or l (letter) for each position; positions beyond it are digits")
        ->expected(0, 1);
    auto* set_file = set->add_option("--pattern-file", set_options.pattern_file,
                                     "The pattern file (default: the window program's)");

    bool self_test_ok = true;
    bool compare_code_pages = false;
    auto* self_test = app.add_subcommand(
        "self-test", "Check that this build computes the same lists as every other build.");
    self_test->add_flag("--code-pages", compare_code_pages,
                        "Also compare the code-page tables with this Windows system's own "
                        "conversion (Windows only)");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return kExitUsage;
    }

    try {
        if (*gen) {
            return generate(g);
        }
        if (*show) {
            choose_pattern_file(show_options, show_file->count() > 0);
            return pattern_show(show_options);
        }
        if (*set) {
            choose_pattern_file(set_options, set_file->count() > 0);
            return pattern_set(set_options);
        }
        if (*self_test) {
#ifndef _WIN32
            if (compare_code_pages) {
                throw UsageError{
                    "self-test --code-pages compares the code-page tables with "
                    "Windows' own conversion, so it works only on Windows."};
            }
#endif
            self_test_ok = run_self_test(std::cout, std::cerr);
            if (compare_code_pages) {
                self_test_ok = check_system_code_pages(std::cout, std::cerr) && self_test_ok;
            }
            return self_test_ok ? kExitOk : kExitRefused;
        }
    } catch (const UsageError& e) {
        std::cerr << "tessaroll-cli: " << e.message << '\n';
        return kExitUsage;
    } catch (const FileError& e) {
        std::cerr << "tessaroll-cli: " << e.what() << '\n';
        return kExitRefused;
    }
    return kExitUsage;
}

}  // namespace tessaroll::cli
