// SPDX-License-Identifier: GPL-3.0-or-later
// One step of the chaotic map for a fixed exponent and break point, for callers that take many
// steps with the same two (map, StringfromDouble): the falling flank's denominator p^a - 1 is
// computed at the first step that needs it and reused. Every step gives the same bits, the same
// message and the same errors as map1(x, a, p, notify).
#pragma once

#include "engine/chaotic_map.h"

namespace tessaroll {

class MapStep {
public:
    MapStep(float a, double p) : e_(static_cast<double>(a)), p_(p) {}

    // map1(x, a, p, notify).
    double operator()(double x, const Notifier& notify) const;

private:
    double e_;  // a widened exactly
    double p_;
    mutable double den_ = 0;  // pow_cr(p, e) - 1 once has_den_
    mutable bool has_den_ = false;
};

}  // namespace tessaroll
