// SPDX-License-Identifier: GPL-3.0-or-later
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
// How (engine/power.cpp; special cases first). A base that is not finite and positive, or an
// exponent that is not finite, goes to pow_special (x^0 = 1, 1^y = 1, the rest through pow_mpfr,
// Annex F); 1 and 0 need no case of their own on the fast path, where t = 0 gives exactly 1.
// Otherwise, with t = y log x, two phases evaluate exp(t) in double-double arithmetic (binary64
// pairs hi + lo, products' errors recovered exactly with fma or Dekker's algorithm), each giving
// x^y ~ R = hi + lo and a bound |R - x^y| <= eps |hi|:
//     phase 1: eps = 2^-67 + 2^-58 |y| z^2 (z the reduced argument below, |z| < 2^-8.41),
//     phase 2: eps = 2^-86.
// A phase returns RN(R) when RN(hi + (lo - eps hi)) == RN(hi + (lo + eps hi)) (Ziv's rounding
// test: the whole error interval rounds to one double, so x^y does too); phase 2 runs only when
// phase 1 cannot decide, and pow_mpfr only when phase 2 cannot either. For |t| > 708 neither
// phase runs: t < -745.2 gives +0 (x^y < 2^-1075), t > 709.79 gives +infinity (x^y > 2^1024),
// the subnormal results and the edges in between go to pow_mpfr. Phase 1 also leaves to phase 2
// the calls where the low part of t exceeds 2^-20 (|y| above 2^9 or so, x near 1).
//
// Error bounds (derivation; each step is commented in engine/power.cpp). u = 2^-53; "abs" is an
// absolute error, "rel" a relative one.
// - Argument: x = 2^e m, m in [1, 2); a 257-row table (scripts/make_power_tables.py) gives
//   invc ~ 1/c, c = 1 + i/256 nearest m, with at most 9 significant bits, so z = m invc - 1 is
//   exact and |z| < 2^-8.41; rows from 107 on (c > sqrt(2)) read log m as log 2 + log(m/2), so x
//   near 1 always meets c = 1 or c = 2. log x = e' log 2 + N + log1p(z), e' the adjusted e,
//   N = -log invc - shift log 2 = Nh + Nm + Nl (Nh a multiple of 2^-42, error < 2^-149), log 2 =
//   L2h + L2l + L2ll (L2h a multiple of 2^-42, rest < 2^-156). So l0 = e' L2h + Nh is exact
//   (a multiple of 2^-42 below 2^10), and |l0| > |z| unless l0 = 0 (rows 0 and 256 with e' = 0,
//   where log x = log1p(z)); the generator checks both. Apart from those rows |log x| > 2^-10.
//   An error of the form a |log x| becomes a |t| in t, one of the form b becomes |y| b.
// - Phase 1 log: l0 + z - z^2/2 by exact fast two-sums (z^2 = z2h + z2l exactly), the series
//   z^3 (1/3 - z/4 + ... - z^5/8) - z2l/2 in double, e' L2l + Nm and the low parts summed in
//   double, unnormalised. Errors: the series' rest |z|^9/9 (1 + 2^-8) < 2^-62.1 z^2; the
//   polynomial (coefficients, 3 roundings, z^3 as z z2h: < 2^-52 |z|^3) and its last rounding
//   (< 2^-54.6 |z|^3, twice without fma) < 2^-60 z^2; the sums of the low parts < 2^-62 z^2
//   + 2^-84.4 |log x| (those parts are below 2^-42.7 |log x| and 2^-43 < 2^-33 |log x|); Nl and
//   L2ll, left out, < 2^-87 |log x|; e' L2l + Nm rounded < 2^-95 |log x|.
// - Phase 1 t = y log x = th + tl: th = y lh, tl = fma(y, ll, y lh - th) (the product's error
//   exact), rounded once or twice: < 2^-62.6 |y| z^2 + 2^-87 |t|. In all, |t~ - t| < 2^-59.3
//   |y| z^2 + 2^-83.9 |t|, and 2^-83.9 |t| < 2^-74.4 for |t| <= 708 + 2^-20.
// - Phase 1 exp: k = round(128 th / ln 2) (within 1/2 + 2^-34), t = k ln2/128 + r with
//   ln2/128 = C1 + C2 + C3 + rest, k C1 exact (C1 has 35 bits, |k| < 2^18), rh0 = th - k C1
//   exact (Sterbenz), rl0 = fma(-k, C2, tl) (|rl0| < 2^-19.98; rounding < 2^-72.98, k C3 left out
//   < 2^-81.4), so |r| < 2^-8.529 + 2^-20 < 2^-8.52. exp(r) = 1 + rh0 + el with el = rl0 +
//   rh^2/2 + rh^3 (1/6 + ... + rh^3/720), rh = RN(rh0 + rl0); in units of 2^-72 relative to
//   the result: the series' rest |r|^7/5040 1.04, rl0 0.51, rh^2 for r^2 5.8, el's two last
//   roundings 1.96 + 2.64; then 2^(j/128) (tj.hi + tj.lo, 2^-106) times 1 + rh0 + el with
//   tj.hi (1 + rh0) as an exact fast two-sum: tj.lo el left out 2.64, the last fma 5.3 (two
//   roundings), Ziv's test's own sums 2.64. Sum 22.7 < 32: 2^-67, with 2^-74.4 from t. A
//   relative error d of t's absolute error is one of d (1 + 2^-60) in exp(t): 2^-58 |y| z^2.
// - Phase 2 log: log1p(z) = z - z^2 U(z), U = 1/2 - z/3 + ... + z^10/12 (rest < 2^-96.3),
//   the terms from z^5 in double Horner steps (< 2^-55 on that part, 2^-97.1 on U), the five
//   before in double-double steps (2^-104 each), z^2 U as a double-double product; then l0, z,
//   -z^2 U, e' L2l (exact product), Nm by exact two-sums and the low parts (each below 2^-50.2
//   |log x|, as |l0| + |z| < 2^2.8 |log x|) and e' L2ll + Nl in double: < 2^-98.6 |log x|,
//   stated as 2^-97.
// - Phase 2 t: th + tl as in phase 1 from the normalised log: |t~ - t| < 2^-96.9 |t| < 2^-87.4.
// - Phase 2 exp: r = th - k C1 - k C2 + tl - k C3 in exact two-sums (k C2 an exact product),
//   rest in double: < 2^-112. exp(r.hi) - 1 = rh + rh^2 V(rh), V = 1/2 + rh/6 + ... +
//   rh^6/40320 (rest < 2^-95.2), from rh^3/120 in double, the three terms before in
//   double-double steps; exp(r) - 1 = e + (1 + e) r.lo (r.lo^2 < 2^-120); times tj.hi + tj.lo as
//   a double-double product and an exact two-sum: < 2^-94 with Ziv's test's sums; with t's error,
//   < 2^-87.3, stated as 2^-86.
//   Underflowing products (|t| < 2^-900) make absolute errors below 2^-1000, inside the constants.
// The bounds hold whether a*b+c is one fma or a product and a sum (the analysis counts two
// roundings); engine/power.cpp uses hardware or C-library fma only where it rounds once and
// Dekker's exact product elsewhere (Windows), so every build returns the same bits.
// Checked against MPFR at 256 bits (tests/engine/power_test.cpp): worst error seen 0.24 of the
// bound in phase 1 (relative 2^-69.1, a base near 1 with a large exponent), 0.004 in phase 2
// (2^-94.1), log 2^-102.6 against 2^-97.
//
// Fallbacks: phase 2 runs when x^y lies within the phase 1 bound of a midpoint between doubles;
// pow_mpfr runs when it lies within 2^-86 (exact midpoints among them: no bound can decide
// those) and for subnormal results. Measured on 2,000,000 calls each: with x uniform in (0, 1]
// and y single 1.1 or 1.06, 9.1e-5 go to phase 2 and none to pow_mpfr; with x = 2^u, u uniform
// in [-20, 20], and y uniform in [-50, 50], 8.1e-5 and none. In the engine's own lists, calls
// with subnormal results (bases that the map has driven to subnormal values) go to pow_mpfr.
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
