// Long captures. With a port whose read takes about a microsecond, as a legacy port's does:
// the time per read of the in-memory capture at 9999, 1 M and 10 M reads, and of the
// streamed one (reading thread, ring, keeping thread, VCD writer), with and without the
// progress line, and the two in turn (at most 1.02 times the in-memory time). logic-capture's peak
// memory at 9999, 1 M and 10 M reads (constant, at most 32 MiB). With the constant port, the
// fastest reads there are, 10^9 reads streamed to a file and to /dev/null: reads per second, the
// most reads waiting for the keeping side, the reads dropped (none), and logic-capture's
// peak memory. And the time to write the VCD of 10 M reads in memory.

#include "acquisition/monotoniccounter.h"
#include "acquisition/perfcounter.h"
#include "acquisition/portlibrary.h"
#include "acquisition/portlibs/probesignals.h"
#include "acquisition/samplingloop.h"
#include "acquisition/streamkeeper.h"
#include "acquisition/streamreader.h"
#include "acquisition/tscclock.h"
#include "cli/captureoptions.h"
#include "cli/progressdisplay.h"
#include "output/safefile.h"
#include "output/vcdwriter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

// The clock both programs stamp their reads with, chosen once.
const la::ReadClock &captureClock()
{
    static const la::ReadClock clock = la::captureClock();
    return clock;
}

la::PortLibrary &slowPort()
{
    static la::PortLibrary library(SLOWPORT_PATH);
    return library;
}

la::PortLibrary &constPort()
{
    static la::PortLibrary library(CONSTPORT_PATH);
    return library;
}

void perRead(benchmark::State &state, std::uint64_t reads)
{
    state.counters["ns_per_read"] =
        benchmark::Counter(double(state.iterations()) * double(reads),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["reads_per_s"] =
        benchmark::Counter(double(state.iterations()) * double(reads), benchmark::Counter::kIsRate);
}

// range(1): the 1 us port (0) or the constant one (1), whose reads cost next to nothing, so
// that the loops' own cost shows.
la::PortLibrary &portOf(const benchmark::State &state)
{
    return state.range(1) == 0 ? slowPort() : constPort();
}

void BM_Capture(benchmark::State &state)
{
    const auto reads = static_cast<std::size_t>(state.range(0));
    la::MonotonicCounter counter;
    la::cPerfCounter perf(counter);
    double pauses = 0, longestUs = 0, median = 0;
    for (auto _ : state) {
        const la::Capture taken =
            la::readCapture(portOf(state), perf, captureClock(), 0x379, reads);
        state.SetIterationTime(taken.elapsedSeconds);
        pauses += double(taken.timing.pauses);
        longestUs = std::max(longestUs, double(taken.timing.longestPauseNs) / 1e3);
        median += double(taken.timing.medianPeriodNs);
    }
    perRead(state, reads);
    state.counters["median_ns"] = median / double(state.iterations());
    state.counters["pauses_per_M_reads"] =
        pauses / double(state.iterations()) / double(reads) * 1e6;
    state.counters["longest_pause_us"] = longestUs;
}

// One streamed capture of `reads` reads of `port` into `target`: the figures, and the most
// reads that waited in the ring.
struct Streamed
{
    la::CaptureSummary summary;
    la::StreamEnd ending = la::StreamEnd::None;
    std::uint64_t mostWaiting = 0;
};

Streamed stream(la::PortLibrary &port, std::uint64_t reads, la::TextTarget target,
                bool withProgress)
{
    la::ReadRing ring(la::CaptureOptions::RingReads);
    la::StreamControl control;
    la::StreamProgress progress;
    la::VcdWriter writer(std::move(target));
    la::StreamRequest request;
    request.samples = reads;
    request.clock = captureClock();
    la::StreamKeeper keeper(ring, control, request, writer, progress);
    std::unique_ptr<la::ProgressDisplay> display;
    const int devNull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (withProgress)
        display = std::make_unique<la::ProgressDisplay>(progress, reads, "", devNull);
    std::thread keeping([&] { keeper.run(); });
    la::StreamReader reader(ring, control);
    reader.start(port.inp32(), 0x379, captureClock(), reads);
    keeping.join();
    reader.join();
    display.reset();
    ::close(devNull);
    Streamed result;
    result.summary = keeper.summary();
    writer.finish(result.summary);
    result.ending = control.ending();
    result.mostWaiting = progress.mostWaiting.load();
    return result;
}

void streamedCapture(benchmark::State &state, bool withProgress)
{
    const auto reads = static_cast<std::uint64_t>(state.range(0));
    std::uint64_t bytes = 0;
    double pauses = 0, median = 0;
    for (auto _ : state) {
        la::TextTarget counting{[&bytes](std::string_view piece) { bytes += piece.size(); }, {}};
        const Streamed taken = stream(portOf(state), reads, counting, withProgress);
        if (taken.summary.reads != reads) {
            state.SkipWithError("the capture ended early");
            return;
        }
        state.SetIterationTime(taken.summary.elapsedSeconds);
        pauses += double(taken.summary.timing.pauses);
        median += double(taken.summary.timing.medianPeriodNs);
    }
    perRead(state, reads);
    state.counters["median_ns"] = median / double(state.iterations());
    state.counters["pauses_per_M_reads"] =
        pauses / double(state.iterations()) / double(reads) * 1e6;
}

void BM_StreamedCapture(benchmark::State &state)
{
    streamedCapture(state, false);
}

void BM_StreamedCaptureWithProgress(benchmark::State &state)
{
    streamedCapture(state, true);
}

// The streamed capture against the in-memory one with the 1 us port, 200,000 reads each, in
// turn, so that a machine whose speed drifts (a shared virtual machine's does, by tens of
// percent from minute to minute) meets both alike: the ratio of their median read periods
// and of their times.
void BM_StreamedOverInMemory_1usPort(benchmark::State &state)
{
    constexpr std::uint64_t Reads = 200'000;
    la::MonotonicCounter counter;
    la::cPerfCounter perf(counter);
    double memoryMedian = 0, streamedMedian = 0, memorySeconds = 0, streamedSeconds = 0;
    bool streamedFirst = false;
    for (auto _ : state) {
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn == 0) == streamedFirst) {
                la::TextTarget nowhere{[](std::string_view) {}, {}};
                const Streamed taken = stream(slowPort(), Reads, nowhere, false);
                streamedMedian += double(taken.summary.timing.medianPeriodNs);
                streamedSeconds += taken.summary.elapsedSeconds;
            } else {
                const la::Capture taken =
                    la::readCapture(slowPort(), perf, captureClock(), 0x379, Reads);
                memoryMedian += double(taken.timing.medianPeriodNs);
                memorySeconds += taken.elapsedSeconds;
            }
        }
        streamedFirst = !streamedFirst;
    }
    state.counters["median_ratio"] = streamedMedian / memoryMedian;
    state.counters["time_ratio"] = streamedSeconds / memorySeconds;
    state.counters["in_memory_ns"] = memoryMedian / double(state.iterations());
}

// 10^9 reads of the constant port streamed to a file (arg 0) or to /dev/null (arg 1).
void BM_StreamConstantPort(benchmark::State &state)
{
    const std::uint64_t reads = 1'000'000'000;
    const char *path = state.range(0) == 0 ? "bench-stream.vcd" : "/dev/null";
    for (auto _ : state) {
        la::SafeFile file(path);
        la::TextTarget target{
            [&file](std::string_view piece) { file.write(piece); },
            [&file](std::uint64_t at, std::string_view piece) { file.writeAt(at, piece); }};
        const Streamed taken = stream(constPort(), reads, target, false);
        file.commit();
        state.SetIterationTime(taken.summary.elapsedSeconds);
        state.counters["reads_per_s"] = double(taken.summary.reads) / taken.summary.elapsedSeconds;
        state.counters["dropped_reads"] = double(reads - taken.summary.reads);
        state.counters["most_waiting_reads"] = double(taken.mostWaiting);
        state.counters["most_waiting_ms"] =
            double(taken.mostWaiting) * taken.summary.periodNs / 1e6;
    }
    if (state.range(0) == 0)
        std::remove(path);
}

// The peak resident memory of logic-capture for a capture of N samples of the lines
// `channels` from `library`.
long peakKilobytes(const char *library, const std::string &samples, const char *output,
                   const char *channels)
{
    const char *argv[] = {LOGIC_CAPTURE,   "--port-library", library, "--samples",
                          samples.c_str(), "--output",       output,  "--channels",
                          channels,        nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    if (posix_spawn(&child, LOGIC_CAPTURE, &actions, nullptr, const_cast<char **>(argv), environ) !=
        0)
        return -1;
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return usage.ru_maxrss;
}

// The same as a process of its own measures it: see main().
long measuredPeakKilobytes(const std::string &library, const std::string &samples,
                           const std::string &output, const std::string &channels)
{
    const std::string command = "/proc/" + std::to_string(::getpid()) + "/exe --peak-of " +
                                library + " " + samples + " " + output + " " + channels;
    FILE *pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    long kilobytes = -1;
    if (std::fscanf(pipe, "%ld", &kilobytes) != 1)
        kilobytes = -1;
    ::pclose(pipe);
    return kilobytes;
}

void BM_PeakMemory(benchmark::State &state)
{
    const std::string reads = std::to_string(state.range(0));
    const bool constant = state.range(1) != 0;
    const std::string output = state.range(2) == 0 ? "bench-peak.vcd" : "/dev/null";
    // The five status lines (one register a sample), or all seventeen (three).
    const std::string channels = state.range(3) == 0 ? "ch1-ch5" : "ch1-ch5,d0-d7,c0-c3";
    long peak = 0;
    for (auto _ : state)
        peak = measuredPeakKilobytes(constant ? CONSTPORT_PATH : SLOWPORT_PATH, reads, output,
                                     channels);
    std::remove("bench-peak.vcd");
    if (peak < 0) {
        state.SkipWithError("logic-capture failed");
        return;
    }
    state.counters["peak_MiB"] = double(peak) / 1024;
}

// A capture of N reads a microsecond apart: the simulated probe's lines, or ch1 changing at
// every read, the most a file can have to say.
la::Capture madeUp(std::size_t reads, bool everyRead)
{
    la::Capture capture;
    capture.reads.resize(reads);
    capture.times.resize(reads);
    for (std::size_t i = 0; i < reads; ++i) {
        const std::int64_t t = 1'000'000'000 + std::int64_t(i) * 1000;
        capture.times[i] = t;
        capture.reads[i] = everyRead ? std::int16_t(i % 2 ? 0x10 : 0)
                                     : std::int16_t(la::ProbeSignals::statusAt(t));
    }
    capture.timing = la::measureTiming(capture.times);
    capture.elapsedSeconds = double(reads) * 1e-6;
    return capture;
}

void writeVcd(benchmark::State &state, bool everyRead)
{
    const la::Capture capture = madeUp(std::size_t(state.range(0)), everyRead);
    std::size_t bytes = 0;
    for (auto _ : state) {
        la::writeVcd(capture, "now", [&bytes](std::string_view piece) { bytes += piece.size(); });
    }
    state.counters["MB"] = double(bytes) / double(state.iterations()) / 1e6;
    state.counters["capture_s"] = capture.elapsedSeconds;
}

void BM_WriteVcd_SimulatedProbe(benchmark::State &state)
{
    writeVcd(state, false);
}

void BM_WriteVcd_ChangeEveryRead(benchmark::State &state)
{
    writeVcd(state, true);
}

} // namespace

// In memory and streamed, alternately, so that the machine's load falls on both alike; for
// figures on a shared machine, run them with --benchmark_repetitions and
// --benchmark_enable_random_interleaving.
BENCHMARK(BM_Capture)->Args({9999, 0})->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StreamedCapture)->Args({9999, 0})->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Capture)
    ->Args({1'000'000, 0})
    ->Args({1'000'000, 1})
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StreamedCapture)
    ->Args({1'000'000, 0})
    ->Args({1'000'000, 1})
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Capture)
    ->Args({10'000'000, 0})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StreamedCapture)
    ->Args({10'000'000, 0})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StreamedCaptureWithProgress)
    ->Args({3'000'000, 0})
    ->Iterations(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StreamedOverInMemory_1usPort)->Iterations(20)->Unit(benchmark::kMillisecond);
// {reads, constant port, to /dev/null, all 17 lines}
BENCHMARK(BM_PeakMemory)
    ->Args({9999, 0, 0, 0})
    ->Args({1'000'000, 0, 0, 0})
    ->Args({10'000'000, 0, 0, 0})
    ->Args({10'000'000, 0, 0, 1})
    ->Args({1'000'000'000, 1, 0, 0})
    ->Args({1'000'000'000, 1, 1, 0})
    ->Args({1'000'000'000, 1, 1, 1})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StreamConstantPort)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteVcd_SimulatedProbe)
    ->Arg(10'000'000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteVcd_ChangeEveryRead)
    ->Arg(10'000'000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
// `bench_capture --peak-of LIBRARY N OUTPUT CHANNELS` prints the peak resident memory of
// logic-capture for N samples of those lines, in kB. It runs as a fresh, small process because a
// spawned child's peak starts from its parent's: spawned from the benchmark itself, logic-capture
// would seem as large as the benchmark's own captures.
int main(int argc, char **argv)
{
    if (argc == 6 && std::string(argv[1]) == "--peak-of") {
        std::printf("%ld\n", peakKilobytes(argv[2], argv[3], argv[4], argv[5]));
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
