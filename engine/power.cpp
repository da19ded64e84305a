#include "engine/fp_env.h"
#include "engine/power.h"

namespace tessaroll {

double pow_cr(double x, double y) { return pow_mpfr(x, y); }

}  // namespace tessaroll
