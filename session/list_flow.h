// SPDX-License-Identifier: GPL-3.0-or-later
// The way from a request to the list shown: the settings checked, the list computed, output.txt
// written, then the lines to show. Every refusal on the way is one sentence for the user, and a
// refused request leaves output.txt as it was.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "engine/chaotic_map.h"
#include "engine/code_page.h"
#include "settings/generation_settings.h"

namespace tessaroll {

// A request that gives no list: the sentence says why and what to do.
class ListRefusal : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct ListDate {
    std::int16_t day = 0, month = 0, year = 0;
};

struct ListRequest {
    std::string personal;  // UTF-8
    ListDate date;
    GenerationSettings settings;  // as in use: a count or length of 0 is refused here
    CodePage code_page = CodePage::Western;
    // Where output.txt is written before the list is returned; none: it is not written.
    std::optional<std::filesystem::path> output_folder;
    std::string timestamp;  // "Generated on" in output.txt (current_timestamp_text())
};

// The passwords of the list, output.txt written first. Throws ListRefusal: a count or a length
// outside 1 to 130, a date or a personal password the engine refuses, or output.txt that cannot
// be written (its previous content then stays). notify receives the map's messages.
std::vector<std::string> make_list(const ListRequest& request, const Notifier& notify = {});

// "Password 1= 9012483667" and so on, one line a password, each ended by "\n".
std::string list_text(const std::vector<std::string>& passwords);

// "Only the first N characters of the personal password reach the seed." when characters beyond
// the first N do not change the list; empty otherwise (or for a password too long for a seed,
// which make_list refuses).
std::string characters_beyond_seed_note(std::string_view personal, CodePage code_page);

}  // namespace tessaroll
