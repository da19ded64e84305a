// SPDX-License-Identifier: GPL-3.0-or-later
// The generation settings shared by the whole program: how many passwords, how long, and which
// positions are letters.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/chaotic_map.h"
#include "engine/code_page.h"

namespace tessaroll {

struct GenerationSettings {
    std::int16_t pnumb = 0;   // number of passwords in a list
    std::int16_t lentgh = 0;  // characters per password
    // Flag k (1 to 130) for position k: 0 a digit, anything else a letter. Flag 0 is never read.
    std::array<std::int16_t, 131> typ{};

    friend bool operator==(const GenerationSettings&, const GenerationSettings&) = default;
};

// compute_passwords with count, length and flags from a settings record; the personal
// password's bytes are those of code_page.
std::vector<std::string> compute_passwords(std::string_view personal, std::int16_t day,
                                           std::int16_t month, std::int16_t year,
                                           const GenerationSettings& settings, CodePage code_page,
                                           const Notifier& notify = {});

// Sets flag k from character k of letters ('d' digit, 'l' letter), for k = 1 .. size; flags
// beyond it become digits. Returns false, changing nothing, for another character or more than
// 130 characters.
bool set_pattern_letters(GenerationSettings& settings, std::string_view letters);

// The flags 1 to 130 as 'd' and 'l'.
std::string pattern_letters(const GenerationSettings& settings);

}  // namespace tessaroll
