// Power function of the engine: x^y correctly rounded to the nearest double.
//
// Contract: for every finite x > 0 and finite y, pow_cr(x, y) is the double nearest to the exact
// real value x^y (ties to even), including results in the subnormal range, results that underflow
// to zero and results that overflow to infinity. This is the one definition of the power that
// every platform can reproduce, which is what keeps lists identical across machines; the C
// library's pow is only faithful and rounds some calls the other way.
//
// Special cases follow C99 Annex F (pow(1, y) = 1, pow(x, 0) = 1, pow(+0, y > 0) = +0, a negative
// base with a non-integer exponent gives NaN). The engine itself only calls it with x in (0, 1]
// and 1 < y < 2.
#pragma once

namespace tessaroll {

// The engine's power function.
double pow_cr(double x, double y);

// Reference implementation through MPFR at 53 bits with the binary64 exponent range.
// Slow (microseconds a call) but correctly rounded by construction.
double pow_mpfr(double x, double y);

}  // namespace tessaroll
