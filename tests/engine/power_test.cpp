// SPDX-License-Identifier: GPL-3.0-or-later
// pow_cr against MPFR: bit for bit on random and on hard-to-round inputs, and the error bounds of
// its two phases against MPFR at 256 bits.
//
// The random comparisons take TESSAROLL_POW_SAMPLES inputs each (default 1000000, about two
// seconds a test); the long run sets it, TESSAROLL_POW_SAMPLES=14285715 for 10^8 in all seven
// (--gtest_filter='PowCrAgainstMpfr.*Bases*:PowCrAgainstMpfr.*Inputs'), or goes in pieces, each
// with TESSAROLL_POW_SEED=1, 2, ... for other inputs.
#include <gtest/gtest.h>
#include <mpfr.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "engine/chaotic_map.h"
#include "engine/power.h"
#include "engine/power_detail.h"

namespace {

using tessaroll::pow_cr;
using tessaroll::pow_mpfr;
namespace pd = tessaroll::power_detail;

// TESSAROLL_POW_SEED moves every random comparison to other inputs, so that a long run can go in
// pieces that each add new inputs.
std::uint64_t seed_offset() {
    const char* text = std::getenv("TESSAROLL_POW_SEED");
    return text == nullptr ? 0 : std::strtoull(text, nullptr, 10);
}

std::uint64_t samples() {
    const char* text = std::getenv("TESSAROLL_POW_SAMPLES");
    if (text == nullptr || *text == '\0') {
        return 1000000;
    }
    return std::strtoull(text, nullptr, 10);
}

bool same_bits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

double from_bits(std::uint64_t b) {
    return std::bit_cast<double>(b);
}

const double kSingle11 = static_cast<double>(tessaroll::kMapExponent);
const double kSingle106 = static_cast<double>(tessaroll::kTextExponent);

double uniform01(std::mt19937_64& rng) {
    return static_cast<double>(rng() >> 11) * 0x1p-53;  // [0, 1)
}

// General inputs: bases 2^-20 .. 2^20 with a uniform binary logarithm, exponents in [-50, 50].
double general_base(std::mt19937_64& rng) {
    return std::exp2(40 * uniform01(rng) - 20);
}

double general_exponent(std::mt19937_64& rng) {
    return 100 * uniform01(rng) - 50;
}

// Bases in (0, 1]: half uniform, half with a uniform binary exponent (subnormals included).
double unit_base(std::mt19937_64& rng) {
    const std::uint64_t r = rng();
    if (r & 1) {
        return 1.0 - static_cast<double>(rng() >> 11) * 0x1p-53;
    }
    for (;;) {
        const std::uint64_t expo = rng() % 1023;  // 0 (subnormal) .. 1022 (below 1)
        const double x = from_bits((expo << 52) | (rng() >> 12));
        if (x > 0) {
            return x;
        }
    }
}

// Bases in (0, 2^10): half uniform, half with a uniform binary exponent.
double wide_base(std::mt19937_64& rng) {
    const std::uint64_t r = rng();
    if (r & 1) {
        return (1.0 - static_cast<double>(rng() >> 11) * 0x1p-53) * 0x1p10 * (1 - 0x1p-53);
    }
    for (;;) {
        const std::uint64_t expo = rng() % 1033;  // up to 2^9 .. 2^10
        const double x = from_bits((expo << 52) | (rng() >> 12));
        if (x > 0) {
            return x;
        }
    }
}

// Random exponents: uniform in (-8, 8), or of random sign and binary exponent -40 .. 12, or a
// multiple of 1/8 (exact and midpoint results among them).
double random_exponent(std::mt19937_64& rng) {
    const std::uint64_t kind = rng() % 3;
    const double u = static_cast<double>(rng() >> 11) * 0x1p-53;
    if (kind == 0) {
        return 16 * u - 8;
    }
    const double sign = (rng() & 1) ? 1.0 : -1.0;
    if (kind == 1) {
        return sign * std::ldexp(1 + u, static_cast<int>(rng() % 53) - 40);
    }
    return sign * static_cast<double>(1 + rng() % 64) / 8;
}

bool decides(const pd::PowApprox& a) {
    if (!a.in_range) {
        return false;
    }
    const double err = a.hi * a.eps;
    return a.hi + (a.lo - err) == a.hi + (a.lo + err);
}

// pow_cr against pow_mpfr on samples() inputs; prints how many went to phase 2 and to MPFR.
template <class Base, class Exponent>
void compare_with_mpfr(std::uint64_t seed, Base base, Exponent exponent) {
    std::mt19937_64 rng(seed + 1000 * seed_offset());
    const std::uint64_t n = samples();
    std::uint64_t differ = 0, phase2 = 0;
    const std::uint64_t fallbacks_before = tessaroll::pow_cr_fallbacks();
    for (std::uint64_t i = 0; i < n; ++i) {
        const double x = base(rng);
        const double y = exponent(rng);
        const double got = pow_cr(x, y);
        const double want = pow_mpfr(x, y);
        phase2 += decides(pd::pow_approx1(x, y)) ? 0 : 1;
        if (!same_bits(got, want)) {
            if (++differ <= 10) {
                ADD_FAILURE() << std::hexfloat << "pow_cr(" << x << ", " << y << ") = " << got
                              << ", MPFR gives " << want;
            }
        }
    }
    const std::uint64_t mpfr = tessaroll::pow_cr_fallbacks() - fallbacks_before;
    EXPECT_EQ(differ, 0u) << "of " << n << " inputs";
    std::printf("[ compared ] %llu inputs, %llu differ; %llu (%.2e) past phase 1, %llu to MPFR\n",
                static_cast<unsigned long long>(n), static_cast<unsigned long long>(differ),
                static_cast<unsigned long long>(phase2), static_cast<double>(phase2) / n,
                static_cast<unsigned long long>(mpfr));
}

TEST(PowCrAgainstMpfr, UnitBasesSingle11) {
    compare_with_mpfr(1, unit_base, [](std::mt19937_64&) { return kSingle11; });
}

TEST(PowCrAgainstMpfr, UnitBasesSingle106) {
    compare_with_mpfr(2, unit_base, [](std::mt19937_64&) { return kSingle106; });
}

TEST(PowCrAgainstMpfr, UnitBasesRandomExponents) {
    compare_with_mpfr(3, unit_base, random_exponent);
}

TEST(PowCrAgainstMpfr, WideBasesSingle11) {
    compare_with_mpfr(4, wide_base, [](std::mt19937_64&) { return kSingle11; });
}

TEST(PowCrAgainstMpfr, WideBasesSingle106) {
    compare_with_mpfr(5, wide_base, [](std::mt19937_64&) { return kSingle106; });
}

TEST(PowCrAgainstMpfr, WideBasesRandomExponents) {
    compare_with_mpfr(6, wide_base, random_exponent);
}

TEST(PowCrAgainstMpfr, GeneralInputs) {
    compare_with_mpfr(8, general_base, general_exponent);
}

struct PowCase {
    double x, y, want;
};

constexpr double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

void expect_cases(const std::vector<PowCase>& cases) {
    for (const PowCase& c : cases) {
        const double got = pow_cr(c.x, c.y);
        EXPECT_TRUE(same_bits(got, c.want) || (std::isnan(got) && std::isnan(c.want)))
            << std::hexfloat << "pow_cr(" << c.x << ", " << c.y << ") = " << got << ", want "
            << c.want;
    }
}

// C99 Annex F, the signs of zeros and infinities included.
TEST(PowCrSpecialValues, AnnexF) {
    const double max = std::numeric_limits<double>::max();
    expect_cases({
        // x^+-0 = 1 and 1^y = 1, even for NaN; 1 and 0 also on the fast path.
        {kNaN, 0.0, 1.0},
        {kNaN, -0.0, 1.0},
        {-kInf, 0.0, 1.0},
        {0x1p-1074, -0.0, 1.0},
        {max, 0.0, 1.0},
        {1.0, kNaN, 1.0},
        {1.0, -kInf, 1.0},
        {1.0, max, 1.0},
        {1.0, -max, 1.0},
        {1.0, 0x1p-1074, 1.0},
        // Zero base: the sign survives odd integer exponents only.
        {0.0, -3.0, kInf},
        {-0.0, -3.0, -kInf},
        {-0.0, -2.0, kInf},
        {-0.0, -0.5, kInf},
        {-0.0, -kInf, kInf},
        {0.0, 3.0, 0.0},
        {-0.0, 3.0, -0.0},
        {-0.0, 2.0, 0.0},
        {-0.0, 0.5, 0.0},
        {0.0, kInf, 0.0},
        // Infinite exponents.
        {-1.0, kInf, 1.0},
        {-1.0, -kInf, 1.0},
        {0.5, -kInf, kInf},
        {-0.5, -kInf, kInf},
        {2.0, -kInf, 0.0},
        {0.5, kInf, 0.0},
        {-2.0, kInf, kInf},
        // Infinite bases.
        {-kInf, -3.0, -0.0},
        {-kInf, -2.0, 0.0},
        {-kInf, -0.5, 0.0},
        {-kInf, 3.0, -kInf},
        {-kInf, 2.0, kInf},
        {-kInf, 0.5, kInf},
        {kInf, -0x1p-1074, 0.0},
        {kInf, 0x1p-1074, kInf},
        // Negative finite bases: integer exponents only, the sign from odd ones.
        {-2.0, 3.0, -8.0},
        {-2.0, -3.0, -0x1p-3},
        {-3.0, 2.0, 9.0},
        {-1.0, 0x1p53, 1.0},
        {-0.5, 1075.0, -0.0},
        {-0.5, 1074.0, 0x0.0000000000001p-1022},
        {-2.0, 1025.0, -kInf},
        {-2.0, 0.5, kNaN},
        {-max, 1.5, kNaN},
        // NaN in, NaN out, but for the cases above.
        {kNaN, 1.0, kNaN},
        {2.0, kNaN, kNaN},
    });
}

// Exact results, results at the ends of the range and subnormal results (rounded once, ties to
// even), and a few of each size in between: x^y computed exactly in rational arithmetic, or at
// 4000 bits where it is irrational, then rounded.
TEST(PowCrSpecialValues, ExactSubnormalAndOverflowingResults) {
    expect_cases({
        // Exponents so large that y log x overflows.
        {0.5, 0x1p1000, 0.0},
        {2.0, 0x1p1000, kInf},
        {0.5, -0x1.fffffffffffffp+1023, kInf},
        {0x1.0000000000001p0, 0x1p1000, kInf},
        {0x1.fffffffffffffp-1, 0x1p1000, 0.0},
        {0x1.0000000000000p+1, 0x1.4000000000000p+3, 0x1.0000000000000p+10},
        {0x1.0000000000000p+2, 0x1.0000000000000p-1, 0x1.0000000000000p+1},
        {0x1.2000000000000p+3, 0x1.8000000000000p+0, 0x1.b000000000000p+4},
        {0x1.4000000000000p+3, 0x1.0000000000000p+1, 0x1.9000000000000p+6},
        {0x1.8000000000000p+1, 0x1.4000000000000p+5, 0x1.517168a4523fdp+63},
        {0x1.4000000000000p+3, 0x1.3400000000000p+8, 0x1.1ccf385ebc8a0p+1023},
        {0x1.4000000000000p+3, 0x1.3500000000000p+8, kInf},
        {0x1.0000000000000p+1, 0x1.ff80000000000p+9, 0x1.0000000000000p+1023},
        {0x1.0000000000000p+1, 0x1.0000000000000p+10, kInf},
        {0x1.0000000000000p-1, -0x1.0000000000000p+10, kInf},
        {0x1.0000000000000p+1, -0x1.ff00000000000p+9, 0x1.0000000000000p-1022},
        {0x1.0000000000000p+1, -0x1.ff80000000000p+9, 0x0.8000000000000p-1022},
        {0x1.0000000000000p+1, -0x1.0c80000000000p+10, 0x0.0000000000001p-1022},
        {0x1.0000000000000p+1, -0x1.0cc0000000000p+10, 0x0.0p+0},
        {0x1.0000000000000p+1, -0x1.0ca0000000000p+10, 0x0.0000000000001p-1022},
        {0x1.0000000000000p+1, -0x1.0ce0000000000p+10, 0x0.0p+0},
        {0x1.0000000000000p-1, 0x1.0c4cccccccccdp+10, 0x0.0000000000002p-1022},
        {0x1.0000000000000p-1, 0x1.0b93333333333p+10, 0x0.000000000000dp-1022},
        {0x1.4000000000000p+3, -0x1.4000000000000p+8, 0x0.00000000007e8p-1022},
        {0x1.4000000000000p+3, -0x1.4300000000000p+8, 0x0.0000000000002p-1022},
        {0x1.4000000000000p+3, -0x1.4400000000000p+8, 0x0.0p+0},
        {0x1.0000000000000p-537, 0x1.0000000000000p+1, 0x0.0000000000001p-1022},
        {0x1.8000000000000p-538, 0x1.0000000000000p+1, 0x0.0000000000001p-1022},
        {0x1.0000000000000p-538, 0x1.0000000000000p+1, 0x0.0p+0},
        {0x1.8000000000000p-537, 0x1.0000000000000p+1, 0x0.0000000000002p-1022},
        {0x1.4000000000000p-537, 0x1.0000000000000p+1, 0x0.0000000000002p-1022},
        {0x1.2000000000000p-537, 0x1.0000000000000p+1, 0x0.0000000000001p-1022},
        {0x1.8000000000000p-358, 0x1.8000000000000p+1, 0x0.0000000000003p-1022},
        {0x0.0000000000001p-1022, 0x1.0000000000000p-1, 0x1.0000000000000p-537},
        {0x0.0000000000001p-1022, -0x1.0000000000000p+0, kInf},
        {0x1.0000000000000p+1, 0x1.ffffffffffffep+9, 0x1.ffffffffffa74p+1023},
        {0x1.0000000000001p+0, 0x1.0000000000000p+52, 0x1.5bf0a8b145769p+1},
        {0x1.fffffffffffffp-1, -0x1.0000000000000p+53, 0x1.5bf0a8b14576ap+1},
        {0x1.999999999999ap-4, 0x1.199999999999ap+0, 0x1.455b5a30b035cp-4},
        {0x1.d000000000000p+2, -0x1.a666666666666p+1, 0x1.7baf98e7c7bd1p-10},
        {0x1.fffffffffffffp+1023, 0x1.0000000000000p-1, 0x1.fffffffffffffp+511},
        {0x1.fffffffffffffp+1023, 0x1.0000000000000p+0, 0x1.fffffffffffffp+1023},
        {0x0.0000000000003p-1022, 0x1.0000000000000p+0, 0x0.0000000000003p-1022},
        {0x1.56e1fc2f8f359p-997, 0x1.11eb851eb851fp+0, 0x0.00000000000cap-1022},
        {0x1.7e43c8800759cp+996, -0x1.07ae147ae147bp+0, 0x0.0b8157268fdabp-1022},
    });
}

// Results near the ends of the fast path: |y log x| near 708 (its limit), 709.78 (overflow) and
// 745.13 (below half the least subnormal), where pow_cr decides +0, +infinity or phase 2 from t.
// Only the calls it decides without MPFR are compared with MPFR.
TEST(PowCrAgainstMpfr, ResultsAtTheRangeLimits) {
    std::mt19937_64 rng(7);
    std::uint64_t differ = 0, compared = 0;
    for (int i = 0; i < 90000; ++i) {
        const double x = wide_base(rng);
        const double lx = std::log(x);
        if (lx == 0) {
            continue;
        }
        const double targets[] = {700, 707.5, 708, 709.78, 720, -700, -708, -708.4, -745.2};
        const double t = targets[i % 9] + (uniform01(rng) - 0.5);
        const double y = t / lx;
        const std::uint64_t before = tessaroll::pow_cr_fallbacks();
        const double got = pow_cr(x, y);
        if (tessaroll::pow_cr_fallbacks() != before) {
            continue;
        }
        ++compared;
        if (!same_bits(got, pow_mpfr(x, y)) && ++differ <= 10) {
            ADD_FAILURE() << std::hexfloat << "pow_cr(" << x << ", " << y << ")";
        }
    }
    EXPECT_EQ(differ, 0u);
    EXPECT_GT(compared, 60000u);
}

// --- Error bounds against MPFR at 256 bits -------------------------------------------------

class Mpfr256 {
public:
    Mpfr256() { mpfr_init2(v, 256); }
    ~Mpfr256() { mpfr_clear(v); }
    Mpfr256(const Mpfr256&) = delete;
    Mpfr256& operator=(const Mpfr256&) = delete;
    mpfr_t v;
};

// |hi + lo - exact| / |exact| as a double, exact = x^y (pow) or log x.
double relative_error(double hi, double lo, int scale_exp, const mpfr_t exact) {
    Mpfr256 a, d;
    mpfr_set_d(a.v, hi, MPFR_RNDN);
    mpfr_add_d(a.v, a.v, lo, MPFR_RNDN);  // exact at 256 bits for these magnitudes
    mpfr_mul_2si(a.v, a.v, scale_exp, MPFR_RNDN);
    mpfr_sub(d.v, a.v, exact, MPFR_RNDN);
    mpfr_div(d.v, d.v, exact, MPFR_RNDN);
    return std::fabs(mpfr_get_d(d.v, MPFR_RNDN));
}

TEST(PowCrErrorBound, LogAgainstMpfr) {
    std::mt19937_64 rng(11);
    Mpfr256 mx, exact;
    double worst = 0;
    const int n = 300000;
    for (int i = 0; i < n; ++i) {
        double x = i % 3 == 0 ? wide_base(rng) : unit_base(rng);
        if (i % 5 == 0) {  // near 1, where log x is small
            x = 1 + std::ldexp(static_cast<double>(rng() >> 11) * 0x1p-53 - 0.5,
                               -static_cast<int>(rng() % 50));
        }
        if (x == 1) {
            continue;
        }
        const pd::DoubleDouble l = pd::log_dd(x);
        mpfr_set_d(mx.v, x, MPFR_RNDN);
        mpfr_log(exact.v, mx.v, MPFR_RNDN);
        const double err = relative_error(l.hi, l.lo, 0, exact.v);
        worst = std::max(worst, err);
        ASSERT_LE(err, pd::kLogRelErr) << std::hexfloat << "x = " << x;
    }
    std::printf("[ log_dd   ] worst relative error 2^%.2f over %d bases (bound 2^%.0f)\n",
                std::log2(worst), n, std::log2(pd::kLogRelErr));
}

// Both phases: |R - x^y| <= eps |hi| 2^scale_exp; prints the worst ratio of error to bound. The
// inputs mix the engine's, general ones and bases near 1 with large exponents, where phase 1's
// bound grows with |y| z^2.
TEST(PowCrErrorBound, BothPhasesAgainstMpfr) {
    std::mt19937_64 rng(12);
    Mpfr256 mx, my, exact;
    double worst_ratio[2] = {0, 0};
    double worst_rel[2] = {0, 0};
    int in_range[2] = {0, 0};
    const int n = 300000;
    for (int i = 0; i < n; ++i) {
        double x = 0, y = 0;
        switch (i % 5) {
            case 0:
            case 1:
                x = unit_base(rng);
                y = i % 5 == 0 ? kSingle11 : kSingle106;
                break;
            case 2:
                x = wide_base(rng);
                y = random_exponent(rng);
                break;
            case 3:
                x = general_base(rng);
                y = general_exponent(rng);
                break;
            default:
                x = 1 + std::ldexp(uniform01(rng) - 0.5, -7);
                y = std::ldexp(uniform01(rng) - 0.5, 1 + static_cast<int>(rng() % 16));
        }
        const pd::PowApprox phases[2] = {pd::pow_approx1(x, y), pd::pow_approx(x, y)};
        // Phase 2 takes every input with |y log x| <= 708, phase 1 a subset of them.
        EXPECT_TRUE(phases[1].in_range || !phases[0].in_range);
        if (!phases[1].in_range) {
            continue;
        }
        mpfr_set_d(mx.v, x, MPFR_RNDN);
        mpfr_set_d(my.v, y, MPFR_RNDN);
        mpfr_pow(exact.v, mx.v, my.v, MPFR_RNDN);
        for (int p = 0; p < 2; ++p) {
            const pd::PowApprox& a = phases[p];
            if (!a.in_range) {
                continue;
            }
            ++in_range[p];
            const double rel = relative_error(a.hi, a.lo, a.scale_exp, exact.v);
            // |hi| 2^s / x^y is within 2^-16 of 1, so the ratio below is the bound's use.
            const double ratio = rel / a.eps;
            worst_ratio[p] = std::max(worst_ratio[p], ratio);
            worst_rel[p] = std::max(worst_rel[p], rel);
            ASSERT_LE(ratio, 0.99)
                << "phase " << p + 1 << std::hexfloat << " x = " << x << ", y = " << y;
        }
    }
    for (int p = 0; p < 2; ++p) {
        std::printf(
            "[ phase %d  ] worst error %.3f of its bound, worst relative error 2^%.2f "
            "(%d inputs in range)\n",
            p + 1, worst_ratio[p], std::log2(worst_rel[p]), in_range[p]);
    }
}

// --- Inputs whose x^y lies within 2^-40 ulp of a rounding boundary -----------------------------

// Distance of x^y from the nearest midpoint between doubles, in ulps of the result (MPFR at
// 320 bits); -1 when x^y is not in the normal range.
double midpoint_distance_ulps(double x, double y) {
    mpfr_t mx, my, v, w;
    mpfr_inits2(320, mx, my, v, w, static_cast<mpfr_ptr>(nullptr));
    mpfr_set_d(mx, x, MPFR_RNDN);
    mpfr_set_d(my, y, MPFR_RNDN);
    mpfr_pow(v, mx, my, MPFR_RNDN);
    double result = -1;
    if (mpfr_number_p(v) && mpfr_sgn(v) > 0) {
        const mpfr_exp_t e = mpfr_get_exp(v);  // v = m 2^e, 1/2 <= m < 1
        if (e > -1021 && e <= 1024) {
            // In ulps (2^(e-53)): v / ulp - 1/2, its distance to the nearest integer.
            mpfr_mul_2si(w, v, 53 - e, MPFR_RNDN);
            mpfr_sub_d(w, w, 0.5, MPFR_RNDN);
            mpfr_t r;
            mpfr_init2(r, 320);
            mpfr_round(r, w);
            mpfr_sub(w, w, r, MPFR_RNDN);
            result = std::fabs(mpfr_get_d(w, MPFR_RNDN));
            mpfr_clear(r);
        }
    }
    mpfr_clears(mx, my, v, w, static_cast<mpfr_ptr>(nullptr));
    return result;
}

struct HardCase {
    double x, y;
};

// Exact midpoints: x^2 of odd 27-bit x of 2^26.5 .. 2^27, x^3 of odd 18-bit x of 2^17.67 ..
// 2^18, (s^2)^1.5 = s^3 for the same s; each scaled by a power of 2.
std::vector<HardCase> exact_midpoints(std::mt19937_64& rng, int per_kind) {
    std::vector<HardCase> cases;
    for (int i = 0; i < per_kind; ++i) {
        const std::uint64_t a =
            (0x5A8279A + rng() % (0x8000000 - 0x5A8279A)) | 1;  // 2^26.5 .. 2^27
        const int k = static_cast<int>(rng() % 801) - 400;
        cases.push_back({std::ldexp(static_cast<double>(a), k - 27), 2.0});
        const std::uint64_t s = (0x32CC0 + rng() % (0x40000 - 0x32CC0)) | 1;  // 2^17.67 .. 2^18
        const int k3 = static_cast<int>(rng() % 401) - 200;
        cases.push_back({std::ldexp(static_cast<double>(s), k3 - 18), 3.0});
        const int k2 = static_cast<int>(rng() % 401) - 200;
        cases.push_back({std::ldexp(static_cast<double>(s * s), 2 * k2 - 36), 1.5});
    }
    return cases;
}

// Near midpoints around 1: for a midpoint M = 1 + (2n+1) 2^-53 or 1 - (2n+1) 2^-54 and a tiny
// exponent y = +-c 2^-j (j >= 41), x = RN(M^(1/y)) has x^y within |y| 2^-53 M of M, that is
// within 2^-40 ulp; MPFR at 320 bits confirms each one.
std::vector<HardCase> near_midpoints(std::mt19937_64& rng, int count) {
    std::vector<HardCase> cases;
    mpfr_t m, v;
    mpfr_inits2(320, m, v, static_cast<mpfr_ptr>(nullptr));
    while (static_cast<int>(cases.size()) < count) {
        const double c = 1 + static_cast<double>(rng() >> 11) * 0x1p-53;
        const int j = 41 + static_cast<int>(rng() % 20);
        const double y = ((rng() & 1) ? 1 : -1) * std::ldexp(c, -j);
        // |log x| = |log M / y| <= about 700: n < 350 2^(53-j).
        const auto n_max =
            static_cast<std::uint64_t>(std::clamp(std::ldexp(175.0, 53 - j), 1.0, 50000.0));
        const auto n = static_cast<long>(rng() % n_max);
        mpfr_set_ui(m, 1, MPFR_RNDN);
        if (rng() & 1) {
            mpfr_set_si_2exp(v, 2 * n + 1, -53, MPFR_RNDN);
            mpfr_add(m, m, v, MPFR_RNDN);
        } else {
            mpfr_set_si_2exp(v, 2 * n + 1, -54, MPFR_RNDN);
            mpfr_sub(m, m, v, MPFR_RNDN);
        }
        mpfr_log(v, m, MPFR_RNDN);
        mpfr_div_d(v, v, y, MPFR_RNDN);
        mpfr_exp(v, v, MPFR_RNDN);
        const double x = mpfr_get_d(v, MPFR_RNDN);
        if (!(x >= 0x1p-1022 && x < std::numeric_limits<double>::infinity())) {
            continue;
        }
        cases.push_back({x, y});
    }
    mpfr_clears(m, v, static_cast<mpfr_ptr>(nullptr));
    return cases;
}

TEST(PowCrHardCases, WithinTwoToMinus40UlpOfAMidpoint) {
    std::mt19937_64 rng(13);
    const std::vector<HardCase> exact = exact_midpoints(rng, 10000);
    const std::vector<HardCase> near = near_midpoints(rng, 60000);
    std::uint64_t tried = 0, differ = 0;
    const std::uint64_t fallbacks_before = tessaroll::pow_cr_fallbacks();
    for (const std::vector<HardCase>* set : {&exact, &near}) {
        for (const HardCase& h : *set) {
            const double d = midpoint_distance_ulps(h.x, h.y);
            ASSERT_GE(d, 0) << std::hexfloat << h.x << " ^ " << h.y;
            ASSERT_LE(d, 0x1p-40) << std::hexfloat << h.x << " ^ " << h.y;
            ++tried;
            if (!same_bits(pow_cr(h.x, h.y), pow_mpfr(h.x, h.y)) && ++differ <= 10) {
                ADD_FAILURE() << std::hexfloat << "pow_cr(" << h.x << ", " << h.y << ")";
            }
        }
    }
    const std::uint64_t fallbacks = tessaroll::pow_cr_fallbacks() - fallbacks_before;
    EXPECT_EQ(differ, 0u);
    // No bound can decide these: every one goes to MPFR.
    EXPECT_EQ(fallbacks, tried);
    std::printf(
        "[ hard     ] %llu inputs within 2^-40 ulp of a midpoint (%zu exact midpoints), "
        "%llu differ, %llu to MPFR\n",
        static_cast<unsigned long long>(tried), exact.size(),
        static_cast<unsigned long long>(differ), static_cast<unsigned long long>(fallbacks));
}

// --- How often the phases cannot decide ---------------------------------------------------

// Phase 1 decides nearly every call on the engine's inputs and on general ones; MPFR is left with
// exact midpoints and subnormal results, which neither set has.
TEST(PowCrFallbacks, RateOnBothInputSets) {
    struct Set {
        const char* name;
        double (*base)(std::mt19937_64&);
        double (*exponent)(std::mt19937_64&);
    };
    const Set sets[] = {
        {"engine", [](std::mt19937_64& rng) { return 1.0 - uniform01(rng); },
         [](std::mt19937_64& rng) { return (rng() & 1) ? kSingle11 : kSingle106; }},
        {"general", general_base, general_exponent},
    };
    for (const Set& set : sets) {
        std::mt19937_64 rng(14);
        const int n = 2000000;
        int phase2 = 0;
        const std::uint64_t before = tessaroll::pow_cr_fallbacks();
        for (int i = 0; i < n; ++i) {
            const double x = set.base(rng);
            const double y = set.exponent(rng);
            phase2 += decides(pd::pow_approx1(x, y)) ? 0 : 1;
            (void)pow_cr(x, y);
        }
        const std::uint64_t mpfr = tessaroll::pow_cr_fallbacks() - before;
        std::printf("[ rate     ] %s inputs, of %d calls: %d (%.2e) to phase 2, %llu to MPFR\n",
                    set.name, n, phase2, static_cast<double>(phase2) / n,
                    static_cast<unsigned long long>(mpfr));
        EXPECT_LT(phase2, n / 2000) << set.name;
        EXPECT_EQ(mpfr, 0u) << set.name;
    }
}

}  // namespace
