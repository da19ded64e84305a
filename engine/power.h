// Power function of the engine: x^y correctly rounded to the nearest double.
//
// Contract: for every finite x > 0 and finite y, pow_cr(x, y) is the double nearest to the exact
// real value x^y (ties to even), including results in the subnormal range, results that underflow
// to zero and results that overflow to infinity. This is the one definition of the power that
// every platform can reproduce, which is what keeps lists identical across machines; the C
// library's pow is only faithful and rounds some calls the other way. pow_cr returns the same
// bits as pow_mpfr for every input.
//
// Special cases follow C99 Annex F (pow(1, y) = 1, pow(x, 0) = 1, pow(+0, y > 0) = +0, a negative
// base with a non-integer exponent gives NaN). The engine itself only calls it with x in (0, 1]
// and 1 < y < 2.
//
// How (engine/power.cpp; special cases first). x^0 and 1^y give 1; a base that is not finite and
// positive, or an exponent that is not finite, goes to pow_mpfr (Annex F). Otherwise, with
// t = y log x, two phases evaluate exp(t) in double-double arithmetic (binary64 pairs hi + lo,
// products' errors recovered exactly with fma or Dekker's algorithm), each giving x^y ~ R =
// hi + lo and a bound |R - x^y| <= eps |hi|:
//     phase 1: eps = 2^-65 + 2^-64 |t|,    phase 2: eps = 2^-73 + 2^-72 |t|.
// A phase returns RN(R) when RN(hi + (lo - eps hi)) == RN(hi + (lo + eps hi)) (Ziv's rounding
// test: the whole error interval rounds to one double, so x^y does too); phase 2 runs only when
// phase 1 cannot decide, and pow_mpfr only when phase 2 cannot either. For |t| > 708 neither
// phase runs: t < -745.2 gives +0 (x^y < 2^-1075), t > 709.79 gives +infinity (x^y > 2^1024),
// the subnormal results and the edges in between go to pow_mpfr.
//
// Error bounds (derivation; each step is commented in engine/power.cpp):
// - Argument: x = 2^e m, m in [1, 2); a 257-row table (scripts/make_power_tables.py) gives
//   invc ~ 1/c, c = 1 + i/256 nearest m, with at most 9 significant bits, so z = m invc - 1 is
//   exact and |z| < 2^-8.41; rows with c > sqrt(2) read log m as log 2 + log(m/2), so x near 1
//   always meets c = 1 or c = 2. log x = e log 2 - log invc + log1p(z), log 2 and -log invc as
//   double-doubles good to 2^-102 and 2^-106. Apart from the rows c = 1, 2 with e' = 0, where
//   every error below is relative to |z| ~ |log x|, |log x| >= 2^-10.
// - Phase 2 log: log1p series through z^10 (rest < 2^-95), z^2 and z^3/3 as double-doubles
//   (< 2^-100), z^4 Q(z) (< 2^-35.6) in double (< 2^-85.5), the terms down to z^4 Q summed with
//   exact two-sums and the rest (< 2^-32) in double (< 2^-82): relative error < 2^-74.5 (rows
//   c = 1, 2: 2^-77; e' != 0: 2^-79), stated as 2^-73. Phase 1 log: series through z^8 (rest
//   < 2^-78.9), z^3 (..) in double (< 2^-77.8), e log 2 + log c + z - z^2/2 by exact two-sums,
//   the rest in double (< 2^-77): relative error < 2^-65.4.
// - t = y log x as th + tl (product error exact): relative error of t below the log's + 2^-100.
//   An absolute error d in t is a relative error of about d in exp(t): this is the |t| term.
// - exp: k = round(128 t / ln 2), t = k ln2/128 + r with k ln2/128 in two parts (the first
//   product exact, the subtraction exact by Sterbenz, the rest < 2^-78), |r| <= 2^-8.5, then
//   2^(k/128) = 2^q 2^(j/128) from a 128-row double-double table (2^-106) times exp(r).
//   Phase 2: exp(r) - 1 by Taylor through r^7 (rest < 2^-83), r^2 exact, r^3 (..) in double
//   (< 2^-78), products and sums < 2^-77, the rounding test's own sums < 2^-78: < 2^-75,
//   stated as 2^-73. Phase 1: through r^6 (rest < 2^-71.8), all beyond the linear term in
//   double (< 2^-69 each), sums of terms below 2^-16.9 (< 2^-67.9), the rounding test's own
//   sums (< 2^-69.9): < 2^-66.2, stated as 2^-65.
//   Underflowing products (|t| < 2^-900) make absolute errors below 2^-1000, inside the constant.
// - The per-|t| terms (2^-64, 2^-72) round the log bounds up by at least 2x.
// The bounds hold whether a*b+c is one fma or a product and a sum (the analysis counts two
// roundings); engine/power.cpp uses hardware or C-library fma only where it rounds once and
// Dekker's exact product elsewhere (Windows), so every build returns the same bits.
// Checked against MPFR at 256 bits (tests/engine/power_test.cpp): worst error seen 0.048 of the
// bound in phase 1 (relative 2^-67.4), 0.016 in phase 2 (2^-76.6), log 2^-77.0 against 2^-73.
//
// Fallbacks: phase 2 runs when x^y lies within the phase 1 bound of a midpoint between doubles;
// pow_mpfr runs when it lies within the phase 2 bound (exact midpoints among them: no bound can
// decide those) and for subnormal results. Measured on 2,000,000 calls with x uniform in (0, 1]
// and y single 1.1 or 1.06: 1.1e-3 go to phase 2 and 4.5e-6 (9) to pow_mpfr. In the engine's
// own lists (336 lists of 130 x 130 for the days of 2024, 8.1 million calls) 1387 calls go to
// pow_mpfr: 1282 with subnormal results (bases that the map has driven to subnormal values) and
// 105 that phase 2 cannot decide (1.3e-5).
#pragma once

#include <cstdint>

namespace tessaroll {

// The engine's power function.
double pow_cr(double x, double y);

// Reference implementation through MPFR at 53 bits with the binary64 exponent range.
// Slow (microseconds a call) but correctly rounded by construction.
double pow_mpfr(double x, double y);

// Calls of pow_cr with finite x > 0 and finite y that the fast path passed to pow_mpfr since the
// program started (all threads).
std::uint64_t pow_cr_fallbacks();

}  // namespace tessaroll
