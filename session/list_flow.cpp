// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/list_flow.h"

#include "engine/atomic_file.h"
#include "engine/error.h"
#include "engine/list_file.h"
#include "engine/password_list.h"
#include "session/limits.h"
#include "session/settings_store.h"

namespace tessaroll {

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
        throw ListRefusal(e.what());
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
