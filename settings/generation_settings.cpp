// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/generation_settings.h"

#include "engine/password_list.h"

namespace tessaroll {

std::vector<std::string> compute_passwords(std::string_view personal, std::int16_t day,
                                           std::int16_t month, std::int16_t year,
                                           const GenerationSettings& settings, CodePage code_page,
                                           const Notifier& notify) {
    return compute_passwords(personal, day, month, year, settings.pnumb, settings.lentgh,
                             settings.typ, code_page, notify);
}

bool set_pattern_letters(GenerationSettings& settings, std::string_view letters) {
    if (letters.size() > settings.typ.size() - 1 ||
        letters.find_first_not_of("dl") != std::string_view::npos) {
        return false;
    }
    for (std::size_t k = 1; k < settings.typ.size(); ++k) {
        settings.typ[k] = k <= letters.size() && letters[k - 1] == 'l' ? 1 : 0;
    }
    return true;
}

std::string pattern_letters(const GenerationSettings& settings) {
    std::string letters;
    for (std::size_t k = 1; k < settings.typ.size(); ++k) {
        letters += settings.typ[k] == 0 ? 'd' : 'l';
    }
    return letters;
}

}  // namespace tessaroll
