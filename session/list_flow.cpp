// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/list_flow.h"

#include "engine/atomic_file.h"
#include "engine/error.h"
#include "engine/list_file.h"
#include "engine/password_list.h"
#include "session/limits.h"
#include "session/settings_store.h"

namespace tessaroll {

namespace {

// Whether the date gives a list of one password: whether a date too far for a list is too far
// for any.
bool list_of_one_password(const ListRequest& r) {
    GenerationSettings one = r.settings;
    one.pnumb = 1;
    try {
        compute_passwords(r.personal, r.date.day, r.date.month, r.date.year, one, r.code_page);
        return true;
    } catch (const EngineError&) {
        return false;
    }
}

// The engine's refusal in the words of the windows: dates day first, as the boxes take them, and
// what to do next. The engine's own sentences name its internal quantities.
std::string refusal_sentence(const EngineError& e, const ListRequest& r) {
    const ListDate& d = r.date;
    const std::string date = day_first(d.day, d.month, d.year);
    const std::string first_day = day_first(1, 1, kFirstYear);
    const std::string count = std::to_string(r.settings.pnumb);
    switch (e.kind()) {
        case ErrorKind::PasswordTooLong:
            return "The personal password has " +
                   std::to_string(to_code_page(r.personal, r.code_page).size()) +
                   " characters; it can have at most " + std::to_string(kMaxPasswordChars) +
                   ". Use a shorter personal password.";
        case ErrorKind::YearOutOfRange:
            return "There is no list for the year " + std::to_string(d.year) +
                   ". Type or pick a year from " + std::to_string(kFirstYear) + " to " +
                   std::to_string(kLastYear) + ", with all four digits.";
        case ErrorKind::MonthOutOfRange:
            return "The month " + std::to_string(d.month) +
                   " does not exist. Type or pick a month from 1 to 12.";
        case ErrorKind::DivisionByZero:
        case ErrorKind::NegativeBreakPoint:
            if (days(1, 1, kFirstYear, d.day, d.month, d.year) == 0) {
                return "There is no list for " + date + ": the count of days starts on " +
                       first_day + ". Choose " + day_first(2, 1, kFirstYear) + " or a later date.";
            }
            return "There is no list of " + count + " passwords for " + date +
                   ", which lies too close before " + first_day + ". Choose " +
                   day_first(2, 1, kFirstYear) + " or a later date.";
        case ErrorKind::Overflow:
            if (!list_of_one_password(r)) {
                return "There is no list for " + date + ": it lies too far from " + first_day +
                       ". Choose an earlier date.";
            }
            return "There is no list of " + count + " passwords for " + date +
                   ": the date is too far from " + first_day +
                   " for that many. Choose fewer passwords or a date nearer to " + first_day + ".";
        case ErrorKind::CountTooLarge:
            return count_refusal(r.settings.pnumb);
        case ErrorKind::LengthTooLarge:
            return length_refusal(r.settings.lentgh);
        case ErrorKind::IterationCountTooLarge:
            break;
    }
    return e.what();
}

}  // namespace

std::vector<std::string> make_list(const ListRequest& request, const Notifier& notify) {
    const GenerationSettings& s = request.settings;
    // A list without passwords, or of empty passwords, is never what the user wants to hand on.
    if (const std::string refusal = list_settings_refusal(s); !refusal.empty()) {
        throw ListRefusal(refusal);
    }
    std::vector<std::string> list;
    try {
        list = compute_passwords(request.personal, request.date.day, request.date.month,
                                 request.date.year, s, request.code_page, notify);
    } catch (const EngineError& e) {
        throw ListRefusal(refusal_sentence(e, request));
    }
    if (request.output_folder) {
        // The file first: a list that could not be saved is not shown as if it had been.
        try {
            write_output_file(*request.output_folder, request.date.day, request.date.month,
                              request.date.year, list, request.timestamp, request.code_page);
        } catch (const FileRefusal& e) {
            // The refusal says what to do; making the list again would only meet it again.
            throw ListRefusal(std::string(e.what()) + " The new list was not saved.");
        } catch (const FileError& e) {
            const std::filesystem::path file = *request.output_folder / kOutputFileName;
            std::error_code ignored;
            if (std::filesystem::is_directory(file, ignored)) {
                throw ListRefusal("The list cannot be saved: \"" + file.string() +
                                  "\" is a folder. Rename or move that folder, then make the "
                                  "list again.");
            }
            throw ListRefusal(std::string(e.what()) +
                              " The new list was not saved and the previous output.txt is "
                              "unchanged. Make sure \"" +
                              (*request.output_folder / kOutputFileName).string() +
                              "\" can be written, then make the list again.");
        }
    }
    return list;
}

std::string list_text(const std::vector<std::string>& passwords) {
    std::string text;
    for (std::size_t i = 0; i < passwords.size(); ++i) {
        text += password_line(i + 1, passwords[i]);
        text += '\n';
    }
    return text;
}

std::string characters_beyond_seed_note(std::string_view personal, CodePage code_page) {
    const std::string codes = to_code_page(personal, code_page);
    if (codes.size() > kMaxPasswordChars) {
        return {};
    }
    const std::size_t reaching = characters_reaching_seed(codes);
    if (reaching >= codes.size()) {
        return {};
    }
    return "Only the first " + std::to_string(reaching) +
           " characters of the personal password reach the seed.";
}

}  // namespace tessaroll
