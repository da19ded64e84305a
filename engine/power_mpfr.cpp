// SPDX-License-Identifier: GPL-3.0-or-later
#include <mpfr.h>

#include "engine/fp_env.h"
#include "engine/power.h"

namespace tessaroll {

namespace {

// Binary64 in MPFR's convention (x = m * 2^e with 1/2 <= m < 1): the smallest subnormal
// 2^-1074 has e = -1073 and the largest finite double has e = 1024.
constexpr mpfr_exp_t kDoubleEmin = -1073;
constexpr mpfr_exp_t kDoubleEmax = 1024;

struct MpfrScratch {
    mpfr_t x, y, r;
    MpfrScratch() { mpfr_inits2(53, x, y, r, static_cast<mpfr_ptr>(nullptr)); }
    ~MpfrScratch() { mpfr_clears(x, y, r, static_cast<mpfr_ptr>(nullptr)); }
    MpfrScratch(const MpfrScratch&) = delete;
    MpfrScratch& operator=(const MpfrScratch&) = delete;
};

// Restores the caller's MPFR exponent range, which is global (per thread) state.
class ExponentRange {
public:
    ExponentRange() : emin_(mpfr_get_emin()), emax_(mpfr_get_emax()) {
        mpfr_set_emin(kDoubleEmin);
        mpfr_set_emax(kDoubleEmax);
    }
    ~ExponentRange() {
        mpfr_set_emin(emin_);
        mpfr_set_emax(emax_);
    }
    ExponentRange(const ExponentRange&) = delete;
    ExponentRange& operator=(const ExponentRange&) = delete;

private:
    mpfr_exp_t emin_, emax_;
};

}  // namespace

double pow_mpfr(double x, double y) {
    thread_local MpfrScratch s;
    ExponentRange range;
    mpfr_set_d(s.x, x, MPFR_RNDN);  // exact: 53-bit precision holds any double
    mpfr_set_d(s.y, y, MPFR_RNDN);
    int ternary = mpfr_pow(s.r, s.x, s.y, MPFR_RNDN);
    // Rounding twice (to 53 bits, then to the subnormal grid) is avoided by subnormalize,
    // which uses the ternary value of the first rounding.
    ternary = mpfr_subnormalize(s.r, ternary, MPFR_RNDN);
    (void)ternary;
    return mpfr_get_d(s.r, MPFR_RNDN);
}

}  // namespace tessaroll
