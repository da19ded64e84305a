// SPDX-License-Identifier: GPL-3.0-or-later
// The two input sets on which the power function is timed (engine_bench) and its instructions
// counted (pow_calls): "unit", what the engine meets, and "general".
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

#include "engine/chaotic_map.h"

namespace tessaroll_bench {

struct PowInput {
    double x, y;
};

using PowInputs = std::vector<PowInput>;

inline double uniform01(std::mt19937_64& rng) {
    return static_cast<double>(rng() >> 11) * 0x1p-53;  // [0, 1)
}

// Bases uniform in (0, 1], exponents alternately the single-precision 1.1 and 1.06 widened.
inline PowInputs unit_inputs(std::size_t n) {
    std::mt19937_64 rng(20260601);
    PowInputs v(n);
    for (std::size_t i = 0; i < n; ++i) {
        v[i] = {1.0 - uniform01(rng), i % 2 == 0 ? static_cast<double>(tessaroll::kMapExponent)
                                                 : static_cast<double>(tessaroll::kTextExponent)};
    }
    return v;
}

// Bases 2^u with u uniform in [-20, 20], exponents uniform in [-50, 50].
inline PowInputs general_inputs(std::size_t n) {
    std::mt19937_64 rng(20260602);
    PowInputs v(n);
    for (PowInput& p : v) {
        p.x = std::exp2(40 * uniform01(rng) - 20);
        p.y = 100 * uniform01(rng) - 50;
    }
    return v;
}

}  // namespace tessaroll_bench
