// SPDX-License-Identifier: GPL-3.0-or-later
// Calls one power function N times over one of the benchmark's input sets (bench/pow_inputs.h),
// for counting instructions per call under callgrind, which gives the same count however busy
// the machine is (bench/count_instructions.sh runs it):
//
//     pow_calls pow_cr|std_pow|none unit|general N
//
// "none" calls a function that returns its argument, to subtract the loop's own cost.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/pow_inputs.h"
#include "engine/power.h"

namespace {

__attribute__((noinline)) double std_pow(double x, double y) {
    return std::pow(x, y);
}

__attribute__((noinline)) double none(double x, double y) {
    asm volatile("" : "+x"(x) : "x"(y));
    return x;
}

constexpr std::size_t kInputs = 4096;  // as in engine_bench

}  // namespace

int main(int argc, char** argv) {
    using Pow = double (*)(double, double);
    Pow pow = nullptr;
    if (argc == 4) {
        if (std::strcmp(argv[1], "pow_cr") == 0) {
            pow = tessaroll::pow_cr;
        } else if (std::strcmp(argv[1], "std_pow") == 0) {
            pow = std_pow;
        } else if (std::strcmp(argv[1], "none") == 0) {
            pow = none;
        }
    }
    const bool unit = argc == 4 && std::strcmp(argv[2], "unit") == 0;
    const bool general = argc == 4 && std::strcmp(argv[2], "general") == 0;
    if (pow == nullptr || !(unit || general)) {
        std::fprintf(stderr, "usage: %s pow_cr|std_pow|none unit|general N\n", argv[0]);
        return 2;
    }
    const tessaroll_bench::PowInputs in =
        unit ? tessaroll_bench::unit_inputs(kInputs) : tessaroll_bench::general_inputs(kInputs);
    const unsigned long n = std::strtoul(argv[3], nullptr, 10);
    double sum = 0;
    for (unsigned long i = 0; i < n; ++i) {
        const tessaroll_bench::PowInput& p = in[i & (kInputs - 1)];
        sum += pow(p.x, p.y);
    }
    std::printf("%s %s %lu calls, sum %.17g\n", argv[1], argv[2], n, sum);
    return 0;
}
