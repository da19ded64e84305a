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
inline constexpr double kLogRelErr = 0x1p-73;  // |log_dd(x) - log x| <= kLogRelErr |log x|
inline constexpr double kErrConst = 0x1p-73;   // relative error of the result: kErrConst
inline constexpr double kErrPerT = 0x1p-72;    //   + kErrPerT |y log x|
inline constexpr double kMaxAbsT = 708;
inline constexpr double kErrConst1 = 0x1p-65;  // phase 1: kErrConst1 + kErrPerT1 |y log x|
inline constexpr double kErrPerT1 = 0x1p-64;   // fast path only for |y log x| <= 708 (about)

// log x for finite x > 0 (subnormal x included), relative error at most kLogRelErr.
DoubleDouble log_dd(double x);

// x^y ~ (hi + lo) 2^scale_exp with |(hi + lo) 2^scale_exp - x^y| <= eps |hi| 2^scale_exp, for
// finite x > 0 and finite y. in_range is false (and hi, lo, eps, scale_exp unset) when
// |y log x| exceeds kMaxAbsT, where the result may overflow or be subnormal. lo is not
// normalised: |lo| < 2^-16 |hi|. t is y log x rounded to double (relative error < 2^-50).
struct PowApprox {
    bool in_range;
    double hi, lo, eps;
    int scale_exp;
    double t;
};
PowApprox pow_approx(double x, double y);   // phase 2 (kErrConst, kErrPerT)
PowApprox pow_approx1(double x, double y);  // phase 1 (kErrConst1, kErrPerT1)

}  // namespace tessaroll::power_detail
