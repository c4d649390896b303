// The sampling loop against a bare loop that calls the same Inp32 9999 times: the loop
// must add next to nothing to the cost of the reads themselves.

#include "acquisition/portlibrary.h"
#include "acquisition/samplingloop.h"

#include <benchmark/benchmark.h>

#include <array>

namespace {

la::Inp32Fn constantInp32()
{
    static la::PortLibrary library(CONSTPORT_PATH);
    return library.inp32();
}

void BM_SamplingLoop(benchmark::State &state)
{
    const la::Inp32Fn inp32 = constantInp32();
    std::int16_t statusPort = 0x379;
    std::array<std::int16_t, 10001> samples{};
    for (auto _ : state) {
        la::readSamples(inp32, statusPort, samples.data(), 9999);
        benchmark::ClobberMemory();
    }
    state.counters["ns_per_sample"] =
        benchmark::Counter(double(state.iterations()) * 9999,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_BareCalls(benchmark::State &state)
{
    const la::Inp32Fn inp32 = constantInp32();
    std::int16_t statusPort = 0x379;
    benchmark::DoNotOptimize(statusPort);
    for (auto _ : state) {
        for (int i = 0; i < 9999; ++i) {
            std::int16_t value = inp32(statusPort);
            benchmark::DoNotOptimize(value);
        }
    }
    state.counters["ns_per_sample"] =
        benchmark::Counter(double(state.iterations()) * 9999,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(BM_BareCalls)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SamplingLoop)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
