// SPDX-License-Identifier: GPL-3.0-or-later
// Compiled with tessaroll=tessaroll_stdpow: tessaroll:: below names the std::pow copy of the
// engine.
#include "bench/std_pow/list_std_pow.h"

#include "engine/password_list.h"

namespace tessaroll_bench {

std::vector<std::string> compute_passwords_std_pow(std::string_view personal, std::int16_t day,
                                                   std::int16_t month, std::int16_t year,
                                                   std::int16_t pnumb, std::int16_t lentgh,
                                                   std::span<const std::int16_t> typ) {
    return tessaroll::compute_passwords(personal, day, month, year, pnumb, lentgh, typ,
                                        tessaroll::CodePage::Western);
}

}  // namespace tessaroll_bench
