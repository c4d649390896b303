// Long captures with a port whose read takes about a microsecond, as a legacy port's does:
// the time per read at 9999, 1 M and 10 M reads (at 10 M within 1.05 times the time at
// 9999), the same with the progress display running beside the reads, the peak memory of
// logic-capture per read above its baseline (at most 16 bytes), and the time to write the
// VCD of 10 M reads (less than the capture's own).

#include "acquisition/monotoniccounter.h"
#include "acquisition/perfcounter.h"
#include "acquisition/portlibrary.h"
#include "acquisition/portlibs/probesignals.h"
#include "acquisition/samplingloop.h"
#include "cli/progressdisplay.h"
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

la::PortLibrary &slowPort()
{
    static la::PortLibrary library(SLOWPORT_PATH);
    return library;
}

void capture(benchmark::State &state, bool withProgress)
{
    const auto reads = static_cast<std::size_t>(state.range(0));
    la::MonotonicCounter counter;
    la::cPerfCounter perf(counter);
    la::CaptureRequest request;
    request.count = reads;
    la::CaptureProgress progress;
    request.progress = &progress;
    const int devNull = ::open("/dev/null", O_WRONLY);
    double pauses = 0, longestUs = 0;
    for (auto _ : state) {
        std::unique_ptr<la::ProgressDisplay> display;
        if (withProgress)
            display = std::make_unique<la::ProgressDisplay>(progress, reads, "", devNull);
        const la::Capture taken = la::readCapture(slowPort(), perf, la::monotonicNs, request);
        state.SetIterationTime(taken.elapsedSeconds);
        pauses += double(taken.timing.pauses);
        longestUs = std::max(longestUs, double(taken.timing.longestPauseNs) / 1e3);
    }
    ::close(devNull);
    state.counters["ns_per_read"] =
        benchmark::Counter(double(state.iterations()) * double(reads),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["reads_per_s"] =
        benchmark::Counter(double(state.iterations()) * double(reads), benchmark::Counter::kIsRate);
    state.counters["pauses_per_M_reads"] =
        pauses / double(state.iterations()) / double(reads) * 1e6;
    state.counters["longest_pause_us"] = longestUs;
}

void BM_Capture(benchmark::State &state)
{
    capture(state, false);
}

void BM_CaptureWithProgress(benchmark::State &state)
{
    capture(state, true);
}

// The peak resident memory of logic-capture for a capture of N reads written to /dev/null.
long peakKilobytes(std::size_t reads)
{
    const std::string samples = std::to_string(reads);
    const char *argv[] = {LOGIC_CAPTURE,   "--port-library", SLOWPORT_PATH, "--samples",
                          samples.c_str(), "--output",       "/dev/null",   nullptr};
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

// The peak of a capture of N reads as a process of its own measures it: see main().
long measuredPeakKilobytes(std::size_t reads)
{
    const std::string command =
        "/proc/" + std::to_string(::getpid()) + "/exe --peak-of " + std::to_string(reads);
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
    const auto reads = static_cast<std::size_t>(state.range(0));
    static const long baseline = measuredPeakKilobytes(1);
    long peak = 0;
    for (auto _ : state)
        peak = measuredPeakKilobytes(reads);
    if (peak < 0 || baseline < 0) {
        state.SkipWithError("logic-capture failed");
        return;
    }
    state.counters["baseline_MiB"] = double(baseline) / 1024;
    state.counters["peak_MiB"] = double(peak) / 1024;
    state.counters["bytes_per_read"] = double(peak - baseline) * 1024 / double(reads);
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

BENCHMARK(BM_Capture)->Arg(9999)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Capture)
    ->Arg(1'000'000)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Capture)
    ->Arg(10'000'000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Capture)
    ->Arg(3'000'000)
    ->Iterations(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CaptureWithProgress)
    ->Arg(3'000'000)
    ->Iterations(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PeakMemory)
    ->Arg(9999)
    ->Arg(1'000'000)
    ->Arg(10'000'000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteVcd_SimulatedProbe)
    ->Arg(10'000'000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteVcd_ChangeEveryRead)
    ->Arg(10'000'000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
// `bench_capture --peak-of N` prints the peak resident memory of logic-capture for N reads,
// in kB. It runs as a fresh, small process because a spawned child's peak starts from its
// parent's: spawned from the benchmark itself, logic-capture would seem as large as the
// benchmark's own captures.
int main(int argc, char **argv)
{
    if (argc == 3 && std::string(argv[1]) == "--peak-of") {
        std::printf("%ld\n", peakKilobytes(std::stoul(argv[2])));
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
