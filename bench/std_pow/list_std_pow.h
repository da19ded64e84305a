// SPDX-License-Identifier: GPL-3.0-or-later
// Bench only: compute_passwords of an engine built with std::pow as its power function.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessaroll_bench {

std::vector<std::string> compute_passwords_std_pow(std::string_view personal, std::int16_t day,
                                                   std::int16_t month, std::int16_t year,
                                                   std::int16_t pnumb, std::int16_t lentgh,
                                                   std::span<const std::int16_t> typ);

}  // namespace tessaroll_bench
