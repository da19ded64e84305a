// SPDX-License-Identifier: GPL-3.0-or-later
// 16-bit and 32-bit signed arithmetic that reports overflow instead of wrapping.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>

namespace tessaroll::checked {

template <typename Int>
constexpr std::optional<Int> narrow(std::int64_t v) {
    if (v < std::numeric_limits<Int>::min() || v > std::numeric_limits<Int>::max()) {
        return std::nullopt;
    }
    return static_cast<Int>(v);
}

template <typename Int>
constexpr std::optional<Int> add(Int a, Int b) {
    return narrow<Int>(std::int64_t{a} + std::int64_t{b});
}

template <typename Int>
constexpr std::optional<Int> sub(Int a, Int b) {
    return narrow<Int>(std::int64_t{a} - std::int64_t{b});
}

template <typename Int>
constexpr std::optional<Int> mul(Int a, Int b) {
    return narrow<Int>(std::int64_t{a} * std::int64_t{b});
}

}  // namespace tessaroll::checked
