// The sampling loop's cost: with every read timed, against the plain loop of the same reads
// (at most 1.05 times its time with a port whose read takes about 1 us, as a legacy port's
// does), and what one timestamp costs on each clock a capture could use.

#include "acquisition/portlibrary.h"
#include "acquisition/readclock.h"
#include "acquisition/samplingloop.h"

#include <benchmark/benchmark.h>

#include <array>
#include <atomic>
#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#define LA_HAVE_RDTSC 1
#endif

namespace {

constexpr std::size_t Reads = 9999;

la::Inp32Fn constantInp32()
{
    static la::PortLibrary library(CONSTPORT_PATH);
    return library.inp32();
}

la::Inp32Fn microsecondInp32()
{
    static la::PortLibrary library(SLOWPORT_PATH);
    return library.inp32();
}

void perRead(benchmark::State &state)
{
    state.counters["ns_per_read"] =
        benchmark::Counter(double(state.iterations()) * Reads,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// What the loop was before every read was timed: the reads and their stores alone.
void plainLoop(la::Inp32Fn inp32, std::int16_t port, std::int16_t *out)
{
    for (std::size_t i = 0; i != Reads; ++i)
        out[i] = inp32(port);
}

// The plain loop, or the sampling loop with every read timed, over one port.
void loop(benchmark::State &state, la::Inp32Fn inp32, bool timed)
{
    std::array<std::int16_t, Reads> reads{};
    std::array<std::int64_t, Reads> times{};
    std::atomic<std::uint64_t> done{0};
    for (auto _ : state) {
        if (timed)
            la::readSamples(inp32, 0x379, reads.data(), times.data(), Reads, la::monotonicNs, done);
        else
            plainLoop(inp32, 0x379, reads.data());
        benchmark::ClobberMemory();
    }
    perRead(state);
}

void BM_PlainLoop_1usPort(benchmark::State &state)
{
    loop(state, microsecondInp32(), false);
}

void BM_TimedLoop_1usPort(benchmark::State &state)
{
    loop(state, microsecondInp32(), true);
}

// The same two loops with a port that answers at once: the loops' own overhead.
void BM_PlainLoop_ConstantPort(benchmark::State &state)
{
    loop(state, constantInp32(), false);
}

void BM_TimedLoop_ConstantPort(benchmark::State &state)
{
    loop(state, constantInp32(), true);
}

// One timestamp: CLOCK_MONOTONIC through the vDSO (what the loop uses), and the processor's
// time-stamp counter, cheaper but only right across CPUs where the TSC is invariant and
// synchronised, and in ticks that need calibrating.
void BM_Timestamp_ClockMonotonic(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(la::monotonicNs());
}

#ifdef LA_HAVE_RDTSC
void BM_Timestamp_Rdtsc(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(__rdtsc());
}
BENCHMARK(BM_Timestamp_Rdtsc);
#endif

} // namespace

BENCHMARK(BM_PlainLoop_1usPort)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TimedLoop_1usPort)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainLoop_ConstantPort)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TimedLoop_ConstantPort)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Timestamp_ClockMonotonic);
BENCHMARK_MAIN();
