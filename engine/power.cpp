// SPDX-License-Identifier: GPL-3.0-or-later
// pow_cr: exp(y log x) in double-double arithmetic, a rounding test, MPFR when the test fails.
// The error analysis is in engine/power.h; the tables come from scripts/make_power_tables.py.
//
// Every operation below is written out: the engine is compiled with -ffp-contract=off, so the
// compiler fuses nothing. Exact products go through two_prod and z_exact, a*b+c with one or two
// roundings through mul_add (the analysis allows for two).
#include "engine/power.h"

#include <atomic>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "engine/fp_env.h"
#include "engine/power_detail.h"
#include "engine/power_tables.h"

// std::fma is used only where it is known to round once: with FMA instructions, or, in a GCC
// build, through the C library of an x86-64 ELF system (glibc, musl), where pow_cr is also
// compiled for processors with FMA and chosen once at load time (an ifunc). Elsewhere (Windows:
// the software fma of mingw-w64 and of the UCRT without FMA3 is not correctly rounded) exact
// products use Dekker's algorithm. Every variant returns the same bits: each result is correctly
// rounded.
#if defined(TESSAROLL_POW_NO_FMA)
#define TESSAROLL_POW_FMA 0
#elif defined(__FMA__) || defined(__aarch64__) || defined(__ARM_FEATURE_FMA)
#define TESSAROLL_POW_FMA 1
#elif defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__ELF__)
#define TESSAROLL_POW_FMA 1
#define TESSAROLL_POW_CLONES __attribute__((target_clones("fma", "default")))
#else
#define TESSAROLL_POW_FMA 0
#endif
#if !defined(TESSAROLL_POW_CLONES)
#define TESSAROLL_POW_CLONES
#endif
// The helpers are inlined into each version, so that each gets its own fma instructions.
#if defined(__GNUC__)
#define TESSAROLL_POW_INLINE inline __attribute__((always_inline))
#define TESSAROLL_POW_NOINLINE __attribute__((noinline))
#else
#define TESSAROLL_POW_INLINE inline
#define TESSAROLL_POW_NOINLINE
#endif

namespace tessaroll {

namespace {

using power_detail::DoubleDouble;
using power_detail::PowApprox;
namespace pt = power_tables;

std::atomic<std::uint64_t> g_fallbacks{0};

// a + b exactly, for |a| >= |b| or a == 0.
TESSAROLL_POW_INLINE DoubleDouble fast_two_sum(double a, double b) {
    const double s = a + b;
    return {s, b - (s - a)};
}

// a + b exactly, any order of magnitude.
TESSAROLL_POW_INLINE DoubleDouble two_sum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

#if TESSAROLL_POW_FMA
// a * b exactly (no underflow).
TESSAROLL_POW_INLINE DoubleDouble two_prod(double a, double b) {
    const double p = a * b;
    return {p, std::fma(a, b, -p)};
}

// a * b + c, rounded once.
TESSAROLL_POW_INLINE double mul_add(double a, double b, double c) {
    return std::fma(a, b, c);
}

// m * invc - 1 where the result is representable.
TESSAROLL_POW_INLINE double z_exact(double m, double invc) {
    return std::fma(m, invc, -1.0);
}
#else
// Veltkamp's split: a = hi + lo, each with at most 26 significant bits (|a| < 2^995).
TESSAROLL_POW_INLINE DoubleDouble split(double a) {
    const double c = 0x1.0000002p27 * a;  // 2^27 + 1
    const double hi = c - (c - a);
    return {hi, a - hi};
}

// a * b exactly (Dekker; no underflow, |a|, |b| < 2^995).
TESSAROLL_POW_INLINE DoubleDouble two_prod(double a, double b) {
    const double p = a * b;
    const DoubleDouble as = split(a);
    const DoubleDouble bs = split(b);
    return {p, ((as.hi * bs.hi - p) + as.hi * bs.lo + as.lo * bs.hi) + as.lo * bs.lo};
}

// a * b + c, rounded twice.
TESSAROLL_POW_INLINE double mul_add(double a, double b, double c) {
    return a * b + c;
}

// m * invc - 1 where the result is representable: m invc = ph + pl, ph - 1 is exact (Sterbenz)
// and so is the sum, its exact value being representable.
TESSAROLL_POW_INLINE double z_exact(double m, double invc) {
    const DoubleDouble p = two_prod(m, invc);
    return (p.hi - 1.0) + p.lo;
}
#endif

// x = 2^(ep - shift) m, log x = ep log 2 - log invc - shift log 2 + log1p(z), z exact.
struct LogArgument {
    double z, ep;
    const pt::LogRow* row;
};

TESSAROLL_POW_INLINE LogArgument reduce(double x) {
    std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
    int e = -1023;
    if (bits < 0x0010000000000000) {  // subnormal: scale into the normal range (exact)
        bits = std::bit_cast<std::uint64_t>(x * 0x1p54);
        e -= 54;
    }
    e += static_cast<int>(bits >> 52);
    const std::uint64_t mant = bits & 0x000FFFFFFFFFFFFF;
    // x = 2^e m, m in [1, 2); row i has c_i = 1 + i/256 nearest to m, so |m - c_i| <= 2^-9.
    const auto i = static_cast<int>((mant + (std::uint64_t{1} << 43)) >> 44);
    const double m = std::bit_cast<double>(mant | 0x3FF0000000000000);
    const pt::LogRow& row = pt::kLog[i];
    const int ep = e + (i >= pt::kShiftFrom ? 1 : 0);
    // Exact: invc has at most 9 significant bits and |z| <= kZMax (checked by the generator).
    return {z_exact(m, row.invc), static_cast<double>(ep), &row};
}

// a + b, each hi + lo with |lo| <= 2^-52 |hi|, as hi + lo: error below 2^-104 (|a| + |b|).
TESSAROLL_POW_INLINE DoubleDouble dd_add(DoubleDouble a, DoubleDouble b) {
    const DoubleDouble s = two_sum(a.hi, b.hi);
    return fast_two_sum(s.hi, s.lo + (a.lo + b.lo));
}

// (a.hi + a.lo) b, |a.lo| <= 2^-52 |a.hi|: relative error below 2^-104.
TESSAROLL_POW_INLINE DoubleDouble dd_mul_d(DoubleDouble a, double b) {
    const DoubleDouble p = two_prod(a.hi, b);
    return fast_two_sum(p.hi, mul_add(a.lo, b, p.lo));
}

// Phase 2: log x as hi + lo, relative error below kLogRelErr; see "Error bounds" in
// engine/power.h for each step.
TESSAROLL_POW_INLINE DoubleDouble log_core(double x) {
    const LogArgument a = reduce(x);
    const double z = a.z;
    const double ep = a.ep;
    const pt::LogRow& row = *a.row;

    // log1p(z) = z + z^2 S(z), S = -1/2 + z/3 - z^2/4 + ... - z^10/12 (the rest < 2^-113).
    // From z^5 on in double, the five terms before in double-double Horner steps.
    double v = 0x1.5555555555555p-4;           // 1/12
    v = mul_add(z, v, -0x1.745d1745d1746p-4);  // -1/11
    v = mul_add(z, v, 0x1.999999999999ap-4);   // 1/10
    v = mul_add(z, v, -0x1.c71c71c71c71cp-4);  // -1/9
    v = mul_add(z, v, 0x1p-3);                 // 1/8
    v = mul_add(z, v, -0x1.2492492492492p-3);  // -1/7
    DoubleDouble u = dd_add({0x1.5555555555555p-3, 0x1.5555555555555p-57}, two_prod(z, v));
    u = dd_add({-0x1.999999999999ap-3, 0x1.999999999999ap-57}, dd_mul_d(u, z));  // -1/5
    u = dd_add({0x1p-2, 0}, dd_mul_d(u, z));
    u = dd_add({-0x1.5555555555555p-2, -0x1.5555555555555p-56}, dd_mul_d(u, z));  // -1/3
    u = dd_add({0x1p-1, 0}, dd_mul_d(u, z));  // -S: 1/2 - z/3 + ...
    // w = -z^2 S = z^2 u, z^2 = z2h + z2l exactly.
    const DoubleDouble z2 = two_prod(z, z);
    const DoubleDouble w0 = two_prod(z2.hi, u.hi);
    const double w_lo = w0.lo + (z2.hi * u.lo + z2.lo * u.hi);

    // ep log 2 - log invc - shift log 2 + z - w: the large parts in exact sums, the small ones
    // (each below 2^-50 |log x|) in lo.
    const double l0 = ep * pt::kLn2Hi + row.neglog_hi;  // exact: both multiples of 2^-42
    const DoubleDouble s1 = fast_two_sum(l0, z);        // |l0| > |z| or l0 = 0
    const DoubleDouble s2 = two_sum(s1.hi, -w0.hi);
    const DoubleDouble e2 = two_prod(ep, pt::kLn2Lo);
    const DoubleDouble s3 = two_sum(s2.hi, e2.hi);
    const DoubleDouble s4 = two_sum(s3.hi, row.neglog_mid);
    const double lo = ((s1.lo + s2.lo) + (s3.lo + s4.lo)) +
                      ((e2.lo - w_lo) + mul_add(ep, pt::kLn2Lo2, row.neglog_lo));
    return fast_two_sum(s4.hi, lo);
}

// Phase 2: exp(y log x) as (hi + lo) 2^scale_exp, relative error below kErrConst.
TESSAROLL_POW_INLINE PowApprox pow_core(double x, double y) {
    const DoubleDouble lx = log_core(x);
    // t = y log x = th + tl.
    const double th = y * lx.hi;
    const double tl = two_prod(y, lx.hi).lo + y * lx.lo;
    if (!(std::fabs(th) <= power_detail::kMaxAbsT)) {
        return {false, 0, 0, 0, 0, th};
    }
    // t = k ln2/128 + r, |r| <= ln2/256 (1 + 2^-40); k = 128 q + j.
    constexpr double kShifter = 0x1.8p52;
    const double kd = (th * pt::kInvLn2N + kShifter) - kShifter;  // nearest integer
    const auto k = static_cast<std::int64_t>(kd);
    const double rh0 = th - kd * pt::kLn2N1;  // exact: the product is, then Sterbenz
    const DoubleDouble m2 = two_prod(kd, pt::kLn2N2);
    const DoubleDouble r1 = two_sum(rh0, -m2.hi);
    const DoubleDouble r2 = two_sum(r1.hi, tl);
    const DoubleDouble r = two_sum(r2.hi, ((r1.lo + r2.lo) - m2.lo) - kd * pt::kLn2N3);
    // exp(r.hi) - 1 = rh + rh^2 (1/2 + rh/6 + ... + rh^6/40320) (the rest < 2^-95.2): from
    // rh^3/120 on in double, the terms before in double-double Horner steps.
    const double rh = r.hi;
    double v = 0x1.a01a01a01a01ap-16;           // 1/40320
    v = mul_add(rh, v, 0x1.a01a01a01a01ap-13);  // 1/5040
    v = mul_add(rh, v, 0x1.6c16c16c16c17p-10);  // 1/720
    v = mul_add(rh, v, 0x1.1111111111111p-7);   // 1/120
    DoubleDouble u = dd_add({0x1.5555555555555p-5, 0x1.5555555555555p-59}, two_prod(rh, v));
    u = dd_add({0x1.5555555555555p-3, 0x1.5555555555555p-57}, dd_mul_d(u, rh));  // 1/6
    u = dd_add({0x1p-1, 0}, dd_mul_d(u, rh));
    const DoubleDouble sq = two_prod(rh, rh);
    const DoubleDouble q0 = two_prod(sq.hi, u.hi);
    const DoubleDouble e = fast_two_sum(rh, q0.hi);  // |rh| > 2^7 |q0.hi| or rh = 0
    // exp(r) - 1 = e + (1 + e) r.lo (r.lo^2 < 2^-120), as f.
    const double e_lo = e.lo + ((q0.lo + (sq.hi * u.lo + sq.lo * u.hi)) + r.lo * (1 + e.hi));
    const DoubleDouble f = two_sum(e.hi, e_lo);  // r may be tiny
    // 2^(j/128) (1 + f).
    const pt::ExpRow& tj = pt::kExp2[static_cast<std::size_t>(k & 127)];
    const DoubleDouble p = two_prod(tj.hi, f.hi);
    const DoubleDouble s = two_sum(tj.hi, p.hi);
    const double lo = s.lo + ((p.lo + tj.lo) + (tj.hi * f.lo + tj.lo * f.hi));
    return {true, s.hi, lo, power_detail::kErrConst, static_cast<int>(k >> 7), th + tl};
}

// Phase 1: a shorter evaluation of the same formulas, relative error kErrConst1 +
// kErrPerYZ2 |y| z^2 (z the reduced argument of the logarithm).
TESSAROLL_POW_INLINE PowApprox pow_core1(double x, double y) {
    const LogArgument a = reduce(x);
    const double z = a.z;
    const double ep = a.ep;
    const pt::LogRow& row = *a.row;
    // log x = l0 + z - z^2/2 + z^3 (1/3 - z/4 + ... - z^5/8) + l1 + O(2^-78.9), where
    // l0 = ep kLn2Hi + neglog_hi and l1 = ep kLn2Lo + neglog_mid + O(2^-96 |log x|).
    const double z2h = z * z;
    const double z2l = two_prod(z, z).lo;
    const double a01 = mul_add(z, -0x1p-2, 0x1.5555555555555p-2);
    const double a23 = mul_add(z, -0x1.5555555555555p-3, 0x1.999999999999ap-3);
    const double a45 = mul_add(z, -0x1p-3, 0x1.2492492492492p-3);
    const double poly = mul_add(z2h * z2h, a45, mul_add(z2h, a23, a01));
    const double p = mul_add(z * z2h, poly, -0.5 * z2l);
    const double l0 = ep * pt::kLn2Hi + row.neglog_hi;  // exact: both multiples of 2^-42
    const DoubleDouble s2 = fast_two_sum(l0, z);        // |l0| > |z| or l0 = 0
    const DoubleDouble s3 = fast_two_sum(s2.hi, -0.5 * z2h);
    // log x ~ s3.hi + ll, |ll| < 2^-16 |s3.hi| (not normalised: t is, below).
    const double ll = (s2.lo + s3.lo) + (mul_add(ep, pt::kLn2Lo, row.neglog_mid) + p);
    // t = y log x ~ th + tl, the product y s3.hi exact.
    const double th = y * s3.hi;
    const double tl = mul_add(y, ll, two_prod(y, s3.hi).lo);
    // |t| > 708: overflow, underflow or a subnormal result possible; |tl| > 2^-20 (|y| above
    // 2^9 or so): r below would leave the range the polynomial is good for. Phase 2 decides.
    if (!(std::fabs(th) <= power_detail::kMaxAbsT) || !(std::fabs(tl) <= 0x1p-20)) {
        return {false, 0, 0, 0, 0, std::isinf(th) ? th : th + tl};  // tl NaN when th is not finite
    }
    // t = k ln2/128 + rh0 + rl0 (rh0 exact), |rh0 + rl0| <= 2^-8.52.
    constexpr double kShifter = 0x1.8p52;
    const double kd =
        mul_add(th, pt::kInvLn2N, kShifter) - kShifter;  // an integer near 128 t / ln 2
    const auto k = static_cast<std::int64_t>(kd);
    const double rh0 = th - kd * pt::kLn2N1;  // exact: the product is, then Sterbenz
    const double rl0 = mul_add(-kd, pt::kLn2N2, tl);
    const double rh = rh0 + rl0;  // for the terms of degree 2 and more only
    // exp(r) - 1 = rh0 + el, el = rl0 + rh^2/2 + rh^3 (1/6 + rh/24 + rh^2/120 + rh^3/720).
    const double sq = rh * rh;
    const double b01 = mul_add(rh, 0x1.5555555555555p-5, 0x1.5555555555555p-3);
    const double b23 = mul_add(rh, 0x1.6c16c16c16c17p-10, 0x1.1111111111111p-7);
    const double el = rl0 + mul_add(rh * sq, mul_add(sq, b23, b01), 0.5 * sq);
    // 2^(j/128) (1 + rh0 + el).
    const pt::ExpRow& tj = pt::kExp2[static_cast<std::size_t>(k & 127)];
    const double ph = tj.hi * rh0;
    const double pl = two_prod(tj.hi, rh0).lo;
    const DoubleDouble s = fast_two_sum(tj.hi, ph);
    const double lo = mul_add(tj.hi, el, s.lo + (pl + mul_add(tj.lo, rh0, tj.lo)));
    const double eps =
        mul_add(std::fabs(y * z2h), power_detail::kErrPerYZ2, power_detail::kErrConst1);
    return {true, s.hi, lo, eps, static_cast<int>(k >> 7), th + tl};
}

// Ziv's test: true, with x^y rounded in out, when both ends of a's error interval round to the
// same double, so that x^y does too.
TESSAROLL_POW_INLINE bool decided(const PowApprox& a, double& out) {
    const double err = a.hi * a.eps;
    const double left = a.hi + (a.lo - err);
    const double right = a.hi + (a.lo + err);
    if (!a.in_range || left != right) {
        return false;
    }
    // Exact: the result lies in [2^-1021.4, 2^1021.5], in the normal range.
    out = left * std::bit_cast<double>(static_cast<std::uint64_t>(a.scale_exp + 1023) << 52);
    return true;
}

// Where phase 1 cannot decide, t ~ y log x to 2^-50: the limits, then phase 2, then MPFR. Out of
// line: it runs for about one call in ten thousand.
TESSAROLL_POW_CLONES TESSAROLL_POW_NOINLINE double pow_hard(double x, double y, double t) {
    // x^y < e^-745.19 < 2^-1075, half the least subnormal: +0.
    if (t < -745.2) {
        return 0;
    }
    // x^y > e^709.79 > 2^1024: +infinity.
    if (t > 709.79) {
        return INFINITY;
    }
    double r = 0;
    if (decided(pow_core(x, y), r)) {
        return r;
    }
    // Subnormal results, and x^y within 2^-86 of a midpoint between doubles (exact midpoints
    // among them).
    g_fallbacks.fetch_add(1, std::memory_order_relaxed);
    return pow_mpfr(x, y);
}

// The inputs other than finite x > 0 and finite y, in C99 Annex F's order.
TESSAROLL_POW_NOINLINE double pow_special(double x, double y) {
    // x^0 = 1, even for a NaN x.
    if (y == 0) {
        return 1;
    }
    // 1^y = 1, even for a NaN y.
    if (x == 1) {
        return 1;
    }
    // Zero, negative, infinite or NaN base, infinite or NaN exponent: as MPFR does.
    return pow_mpfr(x, y);
}

}  // namespace

namespace power_detail {

DoubleDouble log_dd(double x) {
    const DoubleDouble l = log_core(x);
    return fast_two_sum(l.hi, l.lo);
}

PowApprox pow_approx(double x, double y) {
    return pow_core(x, y);
}

PowApprox pow_approx1(double x, double y) {
    return pow_core1(x, y);
}

}  // namespace power_detail

TESSAROLL_POW_CLONES double pow_cr(double x, double y) {
    // Special cases: a base that is not finite and positive, an exponent that is not finite.
    const std::uint64_t ux = std::bit_cast<std::uint64_t>(x);
    const std::uint64_t uy = std::bit_cast<std::uint64_t>(y);
    if (ux - 1 >= 0x7FEFFFFFFFFFFFFF || (uy & 0x7FFFFFFFFFFFFFFF) >= 0x7FF0000000000000) {
        return pow_special(x, y);
    }
    // Finite x > 0, finite y (x = 1 and y = 0 give t = 0 and so exactly 1): phase 1, the rest
    // where it cannot decide the rounding.
    const PowApprox a1 = pow_core1(x, y);
    double r = 0;
    if (decided(a1, r)) {
        return r;
    }
    return pow_hard(x, y, a1.t);
}

std::uint64_t pow_cr_fallbacks() {
    return g_fallbacks.load(std::memory_order_relaxed);
}

}  // namespace tessaroll
