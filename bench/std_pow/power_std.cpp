// SPDX-License-Identifier: GPL-3.0-or-later
// Bench only: the engine's power routed to the C library's pow, to compare list times with.
// Compiled with tessaroll=tessaroll_stdpow (bench/CMakeLists.txt), so it never meets the real one.
#include <cmath>

#include "engine/power.h"

namespace tessaroll {

double pow_cr(double x, double y) {
    return std::pow(x, y);
}

}  // namespace tessaroll
