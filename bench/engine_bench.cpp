// SPDX-License-Identifier: GPL-3.0-or-later
// Speed of the engine's power function and of whole lists, in one program so that the ratios
// hold on a noisy machine. Every benchmark runs 9 times, the repetitions of all benchmarks in a
// random order (so that a busy spell of the machine does not fall on one of them), and only mean,
// median, deviation are shown (--benchmark_repetitions, --benchmark_report_aggregates_only and
// --benchmark_enable_random_interleaving override that); the end
// of the output gives the ratios of the medians (CPU time): pow_cr / std::pow per call and per
// list.
//
// Per call: pow_cr (the engine's), pow_mpfr (its reference and fallback) and std::pow on two
// input sets: "unit", the inputs the engine meets (bases in (0, 1], exponents the single-precision
// 1.1 and 1.06 widened), and "general" (bases 2^-20 to 2^20 with a uniform binary logarithm,
// exponents uniform in [-50, 50]).
// Per list: compute_passwords with pow_cr, and with std::pow in a copy of the engine compiled for
// the benchmark only (bench/std_pow). Per program: tessaroll-cli generate --until over 365 days.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "bench/pow_inputs.h"
#include "bench/std_pow/list_std_pow.h"
#include "engine/password_list.h"
#include "engine/power.h"

namespace {

using tessaroll_bench::PowInput;
using tessaroll_bench::PowInputs;

constexpr std::size_t kInputs = 4096;  // a power of 2

const PowInputs& unit_inputs() {
    static const PowInputs inputs = tessaroll_bench::unit_inputs(kInputs);
    return inputs;
}

const PowInputs& general_inputs() {
    static const PowInputs inputs = tessaroll_bench::general_inputs(kInputs);
    return inputs;
}

template <double (*Pow)(double, double), const PowInputs& (*Inputs)()>
void BM_Pow(benchmark::State& state) {
    const PowInputs& in = Inputs();
    std::size_t i = 0;
    for (auto _ : state) {
        const PowInput& p = in[i++ & (kInputs - 1)];
        benchmark::DoNotOptimize(Pow(p.x, p.y));
    }
    state.SetItemsProcessed(state.iterations());
}

double std_pow(double x, double y) {
    return std::pow(x, y);
}

BENCHMARK(BM_Pow<tessaroll::pow_cr, unit_inputs>)->Name("pow/pow_cr/unit");
BENCHMARK(BM_Pow<std_pow, unit_inputs>)->Name("pow/std_pow/unit");
BENCHMARK(BM_Pow<tessaroll::pow_cr, general_inputs>)->Name("pow/pow_cr/general");
BENCHMARK(BM_Pow<std_pow, general_inputs>)->Name("pow/std_pow/general");
BENCHMARK(BM_Pow<tessaroll::pow_mpfr, unit_inputs>)->Name("pow/pow_mpfr/unit");

// Pattern flags 1 .. 130: digits and letters alternating.
const std::array<std::int16_t, 131>& pattern() {
    static const std::array<std::int16_t, 131> typ = [] {
        std::array<std::int16_t, 131> t{};
        for (std::size_t k = 1; k < t.size(); ++k) {
            t[k] = static_cast<std::int16_t>(k % 2);
        }
        return t;
    }();
    return typ;
}

void BM_ListPowCr(benchmark::State& state) {
    const auto count = static_cast<std::int16_t>(state.range(0));
    const auto length = static_cast<std::int16_t>(state.range(1));
    for (auto _ : state) {
        benchmark::DoNotOptimize(tessaroll::compute_passwords(
            "secret", 15, 6, 2024, count, length, pattern(), tessaroll::CodePage::Western));
    }
}

void BM_ListStdPow(benchmark::State& state) {
    const auto count = static_cast<std::int16_t>(state.range(0));
    const auto length = static_cast<std::int16_t>(state.range(1));
    for (auto _ : state) {
        benchmark::DoNotOptimize(tessaroll_bench::compute_passwords_std_pow(
            "secret", 15, 6, 2024, count, length, pattern()));
    }
}

BENCHMARK(BM_ListPowCr)
    ->Name("list/pow_cr")
    ->Args({4, 10})
    ->Args({130, 130})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ListStdPow)
    ->Name("list/std_pow")
    ->Args({4, 10})
    ->Args({130, 130})
    ->Unit(benchmark::kMicrosecond);

#ifdef _WIN32
constexpr const char* kNullDevice = "NUL";
#else
constexpr const char* kNullDevice = "/dev/null";
#endif

// The real command-line program: 365 lists of 4 x 10, one per day of 2024 up to 30 December.
void BM_CliGenerateUntil(benchmark::State& state) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path();
    const std::filesystem::path input = dir / "tessaroll_bench_password.txt";
    std::ofstream(input) << "secret\n";
    const std::string command = std::string("\"") + TESSAROLL_CLI_PATH +
                                "\" generate --date 2024-01-01 --until 2024-12-30 < \"" +
                                input.string() + "\" > " + kNullDevice;
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("tessaroll-cli generate failed");
            break;
        }
    }
    std::filesystem::remove(input);
}

BENCHMARK(BM_CliGenerateUntil)
    ->Name("cli/generate_until_365_days")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The console output, then the ratios of the medians.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_None) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.aggregate_name == "median") {
                median_cpu_[run.run_name.str()] = run.GetAdjustedCPUTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        ratio("per call, unit inputs, pow_cr / std::pow", "pow/pow_cr/unit", "pow/std_pow/unit");
        ratio("per call, general inputs, pow_cr / std::pow", "pow/pow_cr/general",
              "pow/std_pow/general");
        ratio("per call, unit inputs, pow_mpfr / std::pow", "pow/pow_mpfr/unit",
              "pow/std_pow/unit");
        ratio("list 4 x 10, pow_cr / std::pow", "list/pow_cr/4/10", "list/std_pow/4/10");
        ratio("list 130 x 130, pow_cr / std::pow", "list/pow_cr/130/130", "list/std_pow/130/130");
    }

private:
    void ratio(const char* what, const std::string& a, const std::string& b) {
        const auto ia = median_cpu_.find(a);
        const auto ib = median_cpu_.find(b);
        if (ia != median_cpu_.end() && ib != median_cpu_.end() && ib->second > 0) {
            std::printf("ratio of medians (CPU), %s: %.2f\n", what, ia->second / ib->second);
        }
    }

    std::map<std::string, double> median_cpu_;
};

}  // namespace

int main(int argc, char** argv) {
    // Defaults first, so that the command line overrides them.
    std::vector<char*> args = {argv[0]};
    std::string repetitions = "--benchmark_repetitions=9";
    std::string aggregates = "--benchmark_report_aggregates_only=true";
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    args.push_back(repetitions.data());
    args.push_back(aggregates.data());
    args.push_back(interleave.data());
    args.insert(args.end(), argv + 1, argv + argc);
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    argv = args.data();
    argc = count;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
