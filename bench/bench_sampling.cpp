// The sampling loop's cost: with every read stamped and the real-time windows polled, against
// the plain loop of the same reads (at most 1.015 times its time with a port whose read takes
// about 1 us, as a legacy port's does), on the capture's clock and on CLOCK_MONOTONIC; what
// one stamp costs on each clock; what turning a capture's stamps into nanoseconds costs; and
// a streamed capture's loop with one, two and three registers a sample.

#include "acquisition/clockcalibration.h"
#include "acquisition/portlibrary.h"
#include "acquisition/readclock.h"
#include "acquisition/realtime.h"
#include "acquisition/samplingloop.h"
#include "acquisition/streamreader.h"
#include "acquisition/tscclock.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <ctime>

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

// Windows that are polled but never started: the loop pays its one compare per read and no
// priority changes under the benchmark.
class Unchanged : public la::PriorityControl
{
public:
    int raise() override { return EPERM; }
    void lower() override {}
};

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

// The plain loop, or the sampling loop on `clock` (no clock: the plain loop), over one port.
void loop(benchmark::State &state, la::Inp32Fn inp32, const la::ReadClock *clock)
{
    std::array<std::int16_t, Reads> reads{};
    std::array<std::int64_t, Reads> stamps{};
    std::atomic<std::uint64_t> done{0};
    Unchanged unchanged;
    la::RealtimeWindows windows(unchanged, la::RealtimeBudget{}, clock ? *clock : la::ReadClock());
    const la::ReadLoop sampling{inp32, 0x379, clock ? clock->stamp : nullptr, windows};
    for (auto _ : state) {
        if (clock)
            la::readSamples(sampling, reads.data(), stamps.data(), Reads, done);
        else
            plainLoop(inp32, 0x379, reads.data());
        benchmark::ClobberMemory();
    }
    perRead(state);
}

const la::ReadClock monotonic(la::monotonicNs);

// The thread's own processor time: what other processes take of the machine stays out.
std::int64_t threadCpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// With the 1 us port, the two loops in turn, batch by batch, so that both meet the same load:
// the ratio of their fastest batches (the least disturbed), their difference per read, and
// the ratio of their totals. Run apart, as the constant port's loops below are, the two would
// drift with the load of a shared machine by more than the difference sought.
void timedOverPlain(benchmark::State &state, const la::ReadClock &clock)
{
    const la::Inp32Fn inp32 = microsecondInp32();
    std::array<std::int16_t, Reads> reads{};
    std::array<std::int64_t, Reads> stamps{};
    std::atomic<std::uint64_t> done{0};
    Unchanged unchanged;
    la::RealtimeWindows windows(unchanged, la::RealtimeBudget{}, clock);
    const la::ReadLoop sampling{inp32, 0x379, clock.stamp, windows};
    std::int64_t best[2] = {INT64_MAX, INT64_MAX}, total[2] = {0, 0};
    bool timedFirst = false;
    for (auto _ : state) {
        for (const bool timed : {timedFirst, !timedFirst}) {
            const std::int64_t start = threadCpuNs();
            if (timed)
                la::readSamples(sampling, reads.data(), stamps.data(), Reads, done);
            else
                plainLoop(inp32, 0x379, reads.data());
            benchmark::ClobberMemory();
            const std::int64_t spent = threadCpuNs() - start;
            best[timed] = std::min(best[timed], spent);
            total[timed] += spent;
        }
        timedFirst = !timedFirst;
    }
    state.counters["plain_ns_per_read"] = double(best[0]) / Reads;
    state.counters["overhead_ns_per_read"] = double(best[1] - best[0]) / Reads;
    state.counters["best_ratio"] = double(best[1]) / double(best[0]);
    state.counters["total_ratio"] = double(total[1]) / double(total[0]);
}

void BM_TimedOverPlain_1usPort(benchmark::State &state)
{
    timedOverPlain(state, la::captureClock());
}

void BM_TimedOverPlain_1usPort_ClockMonotonic(benchmark::State &state)
{
    timedOverPlain(state, monotonic);
}

// A streamed capture's reading loop with 1, 2 or 3 registers a sample (state.range(0))
// against the plain loop of one read a sample, with the 1 us port, in turn batch by batch as
// above: the time per sample of each, from the fastest batches.
void BM_RingLoopOverPlain_1usPort(benchmark::State &state)
{
    const la::Inp32Fn inp32 = microsecondInp32();
    const int registers = int(state.range(0));
    const la::ReadClock clock = la::captureClock();
    la::ReadRing ring(1 << 14, registers > 1);
    la::StreamControl control;
    std::array<std::int16_t, Reads> reads{};
    Unchanged unchanged;
    la::RealtimeWindows windows(unchanged, la::RealtimeBudget{}, clock);
    const la::ReadLoop loop{inp32, 0x379, clock.stamp, windows};
    const la::OtherRegisters others{0x378, 0x37A, registers - 1};
    std::int64_t best[2] = {INT64_MAX, INT64_MAX};
    bool ringFirst = false;
    for (auto _ : state) {
        for (const bool inRing : {ringFirst, !ringFirst}) {
            const std::int64_t start = threadCpuNs();
            if (!inRing)
                plainLoop(inp32, 0x379, reads.data());
            else if (registers == 1)
                la::readIntoRing(loop, ring, Reads, INT64_MAX, control);
            else
                la::readIntoRing(loop, others, ring, Reads, INT64_MAX, control);
            benchmark::ClobberMemory();
            best[inRing] = std::min(best[inRing], threadCpuNs() - start);
            // As the keeping side would: every slot given back.
            ring.free(ring.produced());
        }
        ringFirst = !ringFirst;
    }
    state.counters["plain_ns_per_read"] = double(best[0]) / Reads;
    state.counters["ns_per_sample"] = double(best[1]) / Reads;
    state.counters["samples_over_plain"] = double(best[1]) / double(best[0]);
}

// The plain loop and the sampling loop with a port that answers at once: the loops' own
// overhead.
void BM_PlainLoop_ConstantPort(benchmark::State &state)
{
    loop(state, constantInp32(), nullptr);
}

void BM_TimedLoop_ConstantPort(benchmark::State &state)
{
    const la::ReadClock clock = la::captureClock();
    loop(state, constantInp32(), &clock);
}

void BM_TimedLoop_ConstantPort_ClockMonotonic(benchmark::State &state)
{
    loop(state, constantInp32(), &monotonic);
}

// One stamp: CLOCK_MONOTONIC through the vDSO, and the time-stamp counter as the loop reads
// it (rdtscp, or lfence and rdtsc), both through a function pointer as the loop calls them.
void stamp(benchmark::State &state, la::StampFn stampFn)
{
    benchmark::DoNotOptimize(stampFn);
    for (auto _ : state)
        benchmark::DoNotOptimize(stampFn());
}

void BM_Stamp_ClockMonotonic(benchmark::State &state)
{
    stamp(state, la::monotonicNs);
}

void BM_Stamp_Rdtscp(benchmark::State &state)
{
    stamp(state, la::tscStamp);
}

void BM_Stamp_LfenceRdtsc(benchmark::State &state)
{
    stamp(state, la::tscStampFenced);
}

// One calibration pair (the tightest of five), taken before and after a capture and now and
// then by a writer, never by the reading thread.
void BM_CalibrationPair(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(la::tscPair());
}

// Turning one stamp into nanoseconds after the reads, between two pairs.
void BM_StampToNs(benchmark::State &state)
{
    la::ClockCalibration calibration(3.0, {1'000'000, 5'000'000'000});
    calibration.add({1'000'000 + 30'000'000, 5'010'000'000});
    std::int64_t stamp = 1'000'000;
    for (auto _ : state) {
        benchmark::DoNotOptimize(calibration.toNs(stamp));
        stamp = stamp == 31'000'000 ? 1'000'000 : stamp + 3;
    }
}

} // namespace

BENCHMARK(BM_TimedOverPlain_1usPort)->Unit(benchmark::kMicrosecond)->Iterations(300);
BENCHMARK(BM_TimedOverPlain_1usPort_ClockMonotonic)->Unit(benchmark::kMicrosecond)->Iterations(300);
BENCHMARK(BM_RingLoopOverPlain_1usPort)
    ->Arg(1)
    ->Arg(2)
    ->Arg(3)
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(300);
BENCHMARK(BM_PlainLoop_ConstantPort)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TimedLoop_ConstantPort)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TimedLoop_ConstantPort_ClockMonotonic)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Stamp_ClockMonotonic);
BENCHMARK(BM_Stamp_Rdtscp);
BENCHMARK(BM_Stamp_LfenceRdtsc);
BENCHMARK(BM_CalibrationPair);
BENCHMARK(BM_StampToNs);
BENCHMARK_MAIN();
