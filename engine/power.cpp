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

constexpr double kThirdHi = 0x1.5555555555555p-2;  // 1/3 = kThirdHi + kThirdLo + O(2^-110)
constexpr double kThirdLo = 0x1.5555555555555p-56;

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
    const auto i = static_cast<std::size_t>((mant + (std::uint64_t{1} << 43)) >> 44);
    const double m = std::bit_cast<double>(mant | 0x3FF0000000000000);
    const pt::LogRow& row = pt::kLog[i];
    // Exact: invc has at most 9 significant bits and |z| <= kZMax (checked by the generator).
    return {z_exact(m, row.invc), static_cast<double>(e + row.shift), &row};
}

// Phase 2: log x as hi + lo; see "Error bounds" in engine/power.h for the bound of each step.
TESSAROLL_POW_INLINE DoubleDouble log_core(double x) {
    const LogArgument a = reduce(x);
    const double z = a.z;
    const double ep = a.ep;
    const pt::LogRow& row = *a.row;

    // log1p(z) = z - z^2/2 + z^3/3 + z^4 Q(z), the series through z^10.
    const DoubleDouble z2 = two_prod(z, z);  // exact
    const double z2h = z2.hi;
    const double z2l = z2.lo;
    const DoubleDouble u = two_prod(z, z2h);
    const double uh = u.hi;
    const double ul = u.lo + z * z2l;  // z^3 = uh + ul (error < 2^-128)
    const DoubleDouble v = two_prod(uh, kThirdHi);
    const double vh = v.hi;
    const double vl = v.lo + (uh * kThirdLo + ul * kThirdHi);
    const double z4 = z2h * z2h;
    // Q(z) = -1/4 + z/5 - z^2/6 + z^3/7 - z^4/8 + z^5/9 - z^6/10 in Estrin's scheme.
    const double q45 = mul_add(z, 0x1.999999999999ap-3, -0x1p-2);
    const double q67 = mul_add(z, 0x1.2492492492492p-3, -0x1.5555555555555p-3);
    const double q89 = mul_add(z, 0x1.c71c71c71c71cp-4, -0x1p-3);
    const double q4_7 = mul_add(z2h, q67, q45);
    const double q8_10 = mul_add(z2h, -0x1.999999999999ap-4, q89);
    const double tail = z4 * mul_add(z4, q8_10, q4_7);

    // e log 2 + log c_i + z - z^2/2 + z^3/3 + tail in exact sums (the tail last, as it comes
    // last); the parts below 2^-53 |log x| in lo.
    const DoubleDouble s1 =
        fast_two_sum(ep * pt::kLn2Hi, row.neglog_hi);  // |e log 2| > 0.69 > |log c|
    const DoubleDouble s2 = two_sum(s1.hi, z);
    const DoubleDouble s3 = fast_two_sum(s2.hi, -0.5 * z2h);
    const DoubleDouble s4 = fast_two_sum(s3.hi, vh);
    const DoubleDouble s5 = fast_two_sum(s4.hi, ep * pt::kLn2Lo + row.neglog_lo);
    const DoubleDouble s6 = fast_two_sum(s5.hi, tail);
    const double lo = (((s1.lo + s2.lo) + (s3.lo + s4.lo)) + (vl + -0.5 * z2l)) + (s5.lo + s6.lo);
    return {s6.hi, lo};  // not normalised: |lo| < 2^-49 |s6.hi|
}

// Phase 2: exp(y log x) as (hi + lo) 2^scale_exp, with its error bound.
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
    const double rl0 = mul_add(-kd, pt::kLn2N2, tl);
    const DoubleDouble r = two_sum(rh0, rl0);
    // exp(r) - 1 = rh + rh^2/2 + rl (1 + rh) + rh^3 (1/6 + ... + rh^4/5040) + O(2^-79.5).
    const double sqh = r.hi * r.hi;
    const double sql = two_prod(r.hi, r.hi).lo;
    const DoubleDouble e1 = fast_two_sum(r.hi, 0.5 * sqh);
    // 1/6 + r/24 + r^2/120 + r^3/720 + r^4/5040 in Estrin's scheme.
    const double c01 = mul_add(r.hi, 0x1.5555555555555p-5, 0x1.5555555555555p-3);
    const double c23 = mul_add(r.hi, 0x1.6c16c16c16c17p-10, 0x1.1111111111111p-7);
    const double c0_3 = mul_add(sqh, c23, c01);
    const double r3 = r.hi * sqh;
    const double poly = mul_add(sqh * sqh, 0x1.a01a01a01a01ap-13, c0_3);  // p = r3 poly
    // exp(r) - 1 ~ e1.hi + el + r3 poly.
    const double el = e1.lo + (0.5 * sql + (r.lo + r.lo * r.hi));
    // 2^(j/128) (1 + e1), the polynomial's product last, as it comes last.
    const pt::ExpRow& tj = pt::kExp2[static_cast<std::size_t>(k & 127)];
    const double ph = tj.hi * e1.hi;
    const double pl = two_prod(tj.hi, e1.hi).lo;
    const DoubleDouble s = fast_two_sum(tj.hi, ph);
    const double lo0 = s.lo + (pl + (tj.lo + (tj.lo * e1.hi + tj.hi * el)));
    const double lo = mul_add(tj.hi * r3, poly, lo0);
    const double eps = power_detail::kErrConst + std::fabs(th) * power_detail::kErrPerT;
    return {true, s.hi, lo, eps, static_cast<int>(k >> 7), th};
}

// Phase 1: a shorter evaluation of the same formulas, relative error kErrConst1 + kErrPerT1 |t|.
TESSAROLL_POW_INLINE PowApprox pow_core1(double x, double y) {
    const LogArgument a = reduce(x);
    const double z = a.z;
    const double ep = a.ep;
    const pt::LogRow& row = *a.row;
    // log x = e log 2 - log invc + z - z^2/2 + z^3 (1/3 - z/4 + ... - z^5/8) + O(2^-78.9).
    const double z2h = z * z;
    const double z2l = two_prod(z, z).lo;
    const double a01 = mul_add(z, -0x1p-2, 0x1.5555555555555p-2);
    const double a23 = mul_add(z, -0x1.5555555555555p-3, 0x1.999999999999ap-3);
    const double a45 = mul_add(z, -0x1p-3, 0x1.2492492492492p-3);
    const double poly = mul_add(z2h * z2h, a45, mul_add(z2h, a23, a01));
    const double p = (z * z2h) * poly;
    const DoubleDouble s1 = fast_two_sum(ep * pt::kLn2Hi, row.neglog_hi);
    const DoubleDouble s2 = two_sum(s1.hi, z);
    const DoubleDouble s3 = fast_two_sum(s2.hi, -0.5 * z2h);
    const double llo =
        ((s1.lo + s2.lo) + (s3.lo + (ep * pt::kLn2Lo + row.neglog_lo))) + (p - 0.5 * z2l);
    const DoubleDouble lx = fast_two_sum(s3.hi, llo);
    // t = y log x.
    const double th = y * lx.hi;
    const double tl = two_prod(y, lx.hi).lo + y * lx.lo;
    if (!(std::fabs(th) <= power_detail::kMaxAbsT)) {
        return {false, 0, 0, 0, 0, th};
    }
    // t = k ln2/128 + rh0 + rl0 (rh0 exact), |rh0 + rl0| <= 2^-8.5.
    constexpr double kShifter = 0x1.8p52;
    const double kd = (th * pt::kInvLn2N + kShifter) - kShifter;
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
    const double lo = (s.lo + (pl + mul_add(tj.lo, rh0, tj.lo))) + tj.hi * el;
    const double eps = power_detail::kErrConst1 + std::fabs(th) * power_detail::kErrPerT1;
    return {true, s.hi, lo, eps, static_cast<int>(k >> 7), th};
}

// x^y rounded when both ends of a's error interval round to the same double (Ziv's test),
// otherwise 0 (x^y is never 0 where a is in range).
TESSAROLL_POW_INLINE double rounded(const PowApprox& a) {
    if (!a.in_range) {
        return 0;
    }
    const double err = a.hi * a.eps;
    const double left = a.hi + (a.lo - err);
    const double right = a.hi + (a.lo + err);
    if (left != right) {
        return 0;
    }
    // Exact: the result lies in [2^-1021.4, 2^1021.5], in the normal range.
    return left * std::bit_cast<double>(static_cast<std::uint64_t>(a.scale_exp + 1023) << 52);
}

// Phase 2, out of line: it runs for about one call in a thousand.
TESSAROLL_POW_CLONES TESSAROLL_POW_NOINLINE double pow_phase2(double x, double y) {
    return rounded(pow_core(x, y));
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
    // x^0 = 1, even for a NaN x.
    if (y == 0) {
        return 1;
    }
    // 1^y = 1, even for a NaN y.
    if (x == 1) {
        return 1;
    }
    // Zero, negative, infinite or NaN base, infinite or NaN exponent: C99 Annex F, as MPFR does.
    if (!(x > 0 && x < INFINITY) || !(std::fabs(y) < INFINITY)) {
        return pow_mpfr(x, y);
    }
    // Finite x > 0, finite y != 0: phase 1, phase 2 where phase 1 cannot decide the rounding,
    // MPFR where phase 2 cannot either.
    const PowApprox a1 = pow_core1(x, y);
    const double r1 = rounded(a1);
    if (r1 != 0) {
        return r1;
    }
    // x^y < e^-745.19 < 2^-1075, half the least subnormal: +0 (t is known to 2^-50 here).
    if (a1.t < -745.2) {
        return 0;
    }
    // x^y > e^709.79 > 2^1024: +infinity.
    if (a1.t > 709.79) {
        return INFINITY;
    }
    const double r2 = pow_phase2(x, y);
    if (r2 != 0) {
        return r2;
    }
    g_fallbacks.fetch_add(1, std::memory_order_relaxed);
    return pow_mpfr(x, y);
}

std::uint64_t pow_cr_fallbacks() {
    return g_fallbacks.load(std::memory_order_relaxed);
}

}  // namespace tessaroll
