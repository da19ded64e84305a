// SPDX-License-Identifier: GPL-3.0-or-later
// The pieces of pow_cr's fast path (engine/power.cpp), exposed for the tests that check its error
// bound against MPFR. The engine itself only calls pow_cr.
#pragma once

#include <cstdint>

namespace tessaroll::power_detail {

// hi + lo, |lo| <= ulp(hi) / 2 unless stated otherwise.
struct DoubleDouble {
    double hi, lo;
};

// Bounds of the fast path, derived in engine/power.h.
inline constexpr double kLogRelErr = 0x1p-97;  // |log_dd(x) - log x| <= kLogRelErr |log x|
inline constexpr double kErrConst = 0x1p-86;   // phase 2: relative error of the result
inline constexpr double kErrConst1 = 0x1p-67;  // phase 1: kErrConst1 + kErrPerYZ2 |y| z^2, z the
inline constexpr double kErrPerYZ2 = 0x1p-58;  //   reduced argument of the log (|z| < 2^-8.41)
inline constexpr double kMaxAbsT = 708;        // fast path only for |y log x| <= 708 (about)

// log x for finite x > 0 (subnormal x included), relative error at most kLogRelErr.
DoubleDouble log_dd(double x);

// x^y ~ (hi + lo) 2^scale_exp with |(hi + lo) 2^scale_exp - x^y| <= eps |hi| 2^scale_exp, for
// finite x > 0 and finite y. in_range is false (and hi, lo, eps, scale_exp unset) when
// |y log x| exceeds kMaxAbsT, where the result may overflow or be subnormal, and in phase 1
// also when |y| is so large that its shorter reduction does not apply. lo is not normalised:
// |lo| < 2^-16 |hi|. t is y log x rounded to double (relative error < 2^-50).
struct PowApprox {
    bool in_range;
    double hi, lo, eps;
    int scale_exp;
    double t;
};
PowApprox pow_approx(double x, double y);   // phase 2 (kErrConst)
PowApprox pow_approx1(double x, double y);  // phase 1 (kErrConst1, kErrPerYZ2)

}  // namespace tessaroll::power_detail
