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
#include "cli/standard_streams.h"
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
#include "settings/printable_text.h"
#include "tessaroll/version.h"

namespace tessaroll::cli {

namespace {

namespace chr = std::chrono;

struct UsageError {
    std::string message;
};

// Input that is well formed but that no list can be computed from.
struct Refusal {
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
    bool force = false;
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

// What a list uses where neither an option nor a pattern file gives a count or a length: the
// values the window program writes into its empty boxes.
constexpr std::int16_t kDefaultCount = 4;
constexpr std::int16_t kDefaultLength = 10;

// A list longer than this is a typing error rather than something to print.
constexpr int kMaxUntilYears = 100;

// Options that take a value. CLI11 takes the argument after one of them as its value even when
// that argument is the next option, so "--day= --month=7" would read "--month=7" as the day.
constexpr std::string_view kValueOptions[] = {"day",          "month",    "year",   "date",
                                              "until",        "count",    "length", "output-dir",
                                              "pattern-file", "code-page"};

// Refuses an option of kValueOptions written without its value.
void check_option_values(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") {
            return;
        }
        for (const std::string_view name : kValueOptions) {
            const std::string option = "--" + std::string(name);
            if (arg == option + "=") {
                throw UsageError{option + "= has no value after the \"=\"; write " + option +
                                 "=VALUE or " + option + " VALUE."};
            }
            const bool next_is_option =
                i + 1 < argc && std::string_view(argv[i + 1]).substr(0, 2) == "--";
            if (arg == option && next_is_option) {
                throw UsageError{option + " needs a value, but the next argument \"" +
                                 std::string(argv[i + 1]) + "\" is an option; write " + option +
                                 " VALUE."};
            }
        }
    }
}

std::int16_t option_number(const std::string& name, const std::string& text) {
    try {
        return box_number(text);
    } catch (const BoxNumberError& e) {
        throw UsageError{"--" + name + ": " + e.what()};
    }
}

// The local date; tm_mon counts months from 0.
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

std::string shown_name(const std::string& file) {
    return "\"" + printable_text(file) + "\"";
}

[[noreturn]] void refuse_absent(const std::string& file) {
    throw FileError("There is no pattern file " + shown_name(file) +
                    " (no ordinary file of that name). \"tessaroll-cli pattern set\" creates one.");
}

GenerationSettings settings_from(const GenerateOptions& o) {
    GenerationSettings s;
    s.pnumb = kDefaultCount;
    s.lentgh = kDefaultLength;
    if (o.pattern_file) {
        // A list from settings the file holds only in part is not what the user asked for.
        const PatternLoadResult r = load_pattern_file(*o.pattern_file, s);
        if (r.status == PatternLoad::Absent) {
            refuse_absent(*o.pattern_file);
        }
        if (r.status == PatternLoad::Incomplete) {
            throw FileError(r.problem +
                            " No list was computed; mend the file, or write it "
                            "anew with \"tessaroll-cli pattern set --force\".");
        }
    }
    // The window program's rule: a list has at least one password of at least one character.
    const auto at_least_one = [&](const std::optional<std::string>& option, const char* name,
                                  std::int16_t& value, const char* rule) {
        if (option) {
            value = option_number(name, *option);
        }
        if (value > 0) {
            return;
        }
        if (option) {
            throw Refusal{"--" + std::string(name) + " " + std::to_string(value) + ": " + rule +
                          "."};
        }
        throw Refusal{"The pattern file " + shown_name(*o.pattern_file) + " holds the " + name +
                      " " + std::to_string(value) + ", but " + rule + ". Give --" + name +
                      ", or change the file with \"tessaroll-cli pattern set --" + name + " N\"."};
    };
    at_least_one(o.count, "count", s.pnumb, "a list has 1 to 130 passwords");
    at_least_one(o.length, "length", s.lentgh, "a password has 1 to 130 characters");
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

// The characters after the first N change the list at most through the seed's last bit; users who
// count on a long personal password must know.
void note_characters_beyond_seed(const std::string& personal, CodePage code_page) {
    const std::string codes = to_code_page(personal, code_page);
    const std::size_t reaching = characters_reaching_seed(codes);
    if (reaching < codes.size()) {
        std::cerr << "Only the first " << reaching
                  << " characters of the personal password reach the seed.\n";
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
    std::optional<chr::sys_days> from, to;
    if (last) {
        from = chr::sys_days{calendar_date(first, "The start date")};
        to = chr::sys_days{calendar_date(*last, "The --until date")};
        if (*to < *from) {
            throw UsageError{"--until " + *o.until + " lies before the start date."};
        }
        if (chr::year_month_day{*from} + chr::years{kMaxUntilYears} < chr::year_month_day{*to}) {
            throw UsageError{"--until " + *o.until + " lies more than " +
                             std::to_string(kMaxUntilYears) +
                             " years after the start date; print at most " +
                             std::to_string(kMaxUntilYears) + " years of lists at once."};
        }
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

    note_characters_beyond_seed(personal, code_page);

    if (!last) {
        const auto list = compute_passwords(personal, first.day, first.month, first.year, settings,
                                            code_page, notify);
        // The file first: a list that could not be saved is not shown as if it had been.
        if (o.output_dir) {
            write_output_file(*o.output_dir, first.day, first.month, first.year, list,
                              current_timestamp_text(), code_page);
        }
        print_list(list);
        return kExitOk;
    }

    int status = kExitOk;
    for (chr::sys_days d = *from; d <= *to; d += chr::days{1}) {
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
    const PatternLoadResult r = load_pattern_file(o.read_file, s);
    if (r.status == PatternLoad::Absent) {
        refuse_absent(o.read_file);
    }
    if (r.status == PatternLoad::Incomplete) {
        warn(r.problem + " The values below are those read before it.");
    }
    std::cout << "count " << s.pnumb << '\n'
              << "length " << s.lentgh << '\n'
              << "pattern " << pattern_letters(s) << '\n';
    return kExitOk;
}

// Changes the settings the options name and keeps the others as the file holds them, then saves
// the whole record the way the window program saves it when it ends. A file that exists but did
// not load completely is not overwritten unless --force says so, and then kept as "<name>.bak".
int pattern_set(const PatternOptions& o) {
    if (!o.count && !o.length && !o.pattern) {
        throw UsageError{"pattern set: give at least one of --count, --length and --pattern."};
    }
    GenerationSettings s;
    s.pnumb = kDefaultCount;  // a new file starts from what a list uses for empty boxes
    s.lentgh = kDefaultLength;
    const PatternLoadResult r = load_pattern_file(o.read_file, s);
    std::string kept;
    if (r.status == PatternLoad::Incomplete) {
        if (!o.force) {
            throw FileError(r.problem +
                            " The file was left as it was; \"pattern set --force\" "
                            "writes it anyway, keeping the old file as " +
                            shown_name(backup_path_for(o.pattern_file).string()) + ".");
        }
        // Settings read from beside an installed program are saved in the user's folder and
        // leave that file as it is; only a file the save replaces needs its copy first.
        if (o.read_file == o.pattern_file) {
            kept = keep_backup_copy(o.pattern_file).string();
        }
    }
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
        throw FileError(std::string(e.what()) + " The pattern file " + shown_name(o.pattern_file) +
                        " was left as it was.");
    }
    if (!kept.empty()) {
        warn("The old pattern file was kept as " + shown_name(kept) + ".");
    }
    if (!note.empty()) {
        warn(note);
    }
    return kExitOk;
}

}  // namespace

int run(int argc, char** argv) {
    guard_standard_streams();
    CLI::App app{"Tessaroll: the numbered password list of a date, from your personal password."};
    // Arguments come back in error messages: no control character reaches the terminal.
    app.failure_message([](const CLI::App* a, const CLI::Error& e) {
        std::string shown;
        const std::string text = CLI::FailureMessage::simple(a, e);
        for (std::size_t start = 0, end = 0; start < text.size(); start = end + 1) {
            end = std::min(text.find('\n', start), text.size());
            shown += printable_text(text.substr(start, end - start)) + "\n";
        }
        return shown;
    });
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
    set->add_flag("--force", set_options.force,
                  "Write a pattern file that did not load completely, keeping it as FILE.bak");

    bool compare_code_pages = false;
    auto* self_test = app.add_subcommand(
        "self-test", "Check that this build computes the same lists as every other build.");
    self_test->add_flag("--code-pages", compare_code_pages,
                        "Also compare the code-page tables with this Windows system's own "
                        "conversion (Windows only)");

    try {
        check_option_values(argc, argv);
        app.parse(argc, argv);
    } catch (const UsageError& e) {
        std::cerr << "tessaroll-cli: " << printable_text(e.message) << '\n';
        return kExitUsage;
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

    int status = kExitUsage;
    try {
        if (*gen) {
            status = generate(g);
        } else if (*show) {
            choose_pattern_file(show_options, show_file->count() > 0);
            status = pattern_show(show_options);
        } else if (*set) {
            choose_pattern_file(set_options, set_file->count() > 0);
            status = pattern_set(set_options);
        } else if (*self_test) {
#ifndef _WIN32
            if (compare_code_pages) {
                throw UsageError{
                    "self-test --code-pages compares the code-page tables with "
                    "Windows' own conversion, so it works only on Windows."};
            }
#endif
            bool ok = run_self_test(std::cout, std::cerr);
            if (compare_code_pages) {
                ok = check_system_code_pages(std::cout, std::cerr) && ok;
            }
            status = ok ? kExitOk : kExitRefused;
        }
    } catch (const UsageError& e) {
        std::cerr << "tessaroll-cli: " << printable_text(e.message) << '\n';
        return kExitUsage;
    } catch (const Refusal& e) {
        std::cerr << "tessaroll-cli: " << printable_text(e.message) << '\n';
        status = kExitRefused;
    } catch (const FileError& e) {
        std::cerr << "tessaroll-cli: " << printable_text(e.what()) << '\n';
        status = kExitRefused;
    } catch (const PasswordInputError& e) {
        std::cerr << "tessaroll-cli: " << e.what() << '\n';
        status = kExitRefused;
    } catch (const EngineError& e) {
        std::cerr << e.what() << '\n';
        status = kExitRefused;
    }
    std::string problem;
    if (!standard_output_complete(&problem)) {
        std::cerr << "tessaroll-cli: " << problem << '\n';
        return kExitRefused;
    }
    return status;
}

}  // namespace tessaroll::cli
