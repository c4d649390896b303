#include "acquisition/samplingloop.h"

#include "acquisition/clockcalibration.h"
#include "acquisition/lockedmemory.h"
#include "acquisition/parallelport.h"
#include "acquisition/perfcounter.h"
#include "acquisition/realtime.h"
#include "acquisition/threadpriority.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <new>
#include <string>

namespace la {

namespace {

// What a capture holds per read: the read, its time, and the gap the median is found from.
constexpr std::size_t BytesPerRead = sizeof(std::int16_t) + sizeof(std::int64_t) + 4;

// The memory the system can give without swapping, from /proc/meminfo; 0 when unknown.
std::uint64_t availableMemory()
{
    std::ifstream meminfo("/proc/meminfo");
    std::string name;
    std::uint64_t kilobytes = 0;
    std::string unit;
    while (meminfo >> name >> kilobytes >> unit) {
        if (name == "MemAvailable:")
            return kilobytes * 1024;
    }
    return 0;
}

std::string megabytes(std::uint64_t bytes)
{
    return std::to_string((bytes + (1 << 20) - 1) >> 20) + " MB";
}

// Room for `count` reads, their times and the gaps between them, the pages of the reads
// and times touched, so that no page fault falls inside the reads and measuring them after
// allocates nothing.
void makeRoom(Capture &capture, std::vector<std::uint32_t> &gaps, std::size_t count)
{
    const std::uint64_t needed = std::uint64_t(count) * BytesPerRead;
    const std::uint64_t available = availableMemory();
    const std::string what =
        "Cannot reserve memory for " + std::to_string(count) + " reads (" + megabytes(needed) + ")";
    if (available > 0 && needed > available)
        throw CaptureMemoryError(what + ": only " + megabytes(available) +
                                 " are free. Ask for fewer reads with --samples.");
    try {
        capture.reads.assign(count, 0);
        capture.times.assign(count, 0);
        gaps.reserve(count);
    } catch (const std::bad_alloc &) {
        throw CaptureMemoryError(what + ": the system refused it. Ask for fewer reads with "
                                        "--samples.");
    }
}

// Reads into a ring of `ring` slots until the trigger holds, the ring's slot of that read
// being returned; nothing when `timeoutNs` passed first. `done` counts the reads made,
// `start` is the stamp of the first.
std::optional<std::size_t> waitForTrigger(const ReadLoop &loop, const TriggerCondition &trigger,
                                          std::int16_t *reads, std::int64_t *stamps,
                                          std::size_t ring, const ReadClock &clock,
                                          std::int64_t timeoutNs, std::uint64_t &done,
                                          std::int64_t &start, CaptureProgress &progress)
{
    std::int16_t previous = reads[0] = loop.inp32(loop.statusPort);
    start = stamps[0] = loop.stamp();
    loop.windows.poll(start);
    done = 1;
    if (trigger.holdsAtFirst(previous))
        return 0;
    const std::int64_t deadline = start + clock.ticks(timeoutNs);
    const double nsPerTick = 1.0 / clock.ticksPerNs;
    std::size_t slot = 0;
    for (;;) {
        slot = slot + 1 == ring ? 0 : slot + 1;
        const std::int16_t now = reads[slot] = loop.inp32(loop.statusPort);
        const std::int64_t stamp = stamps[slot] = loop.stamp();
        loop.windows.poll(stamp);
        ++done;
        if (trigger.holds(previous, now))
            return slot;
        if (stamp > deadline)
            return std::nullopt;
        progress.waitedNs.store(std::int64_t(double(stamp - start) * nsPerTick),
                                std::memory_order_relaxed);
        previous = now;
    }
}

} // namespace

std::size_t readSamples(const ReadLoop &loop, std::int16_t *out, std::int64_t *stamps,
                        std::size_t count, std::atomic<std::uint64_t> &done,
                        const std::atomic<bool> &stop)
{
    const Inp32Fn inp32 = loop.inp32;
    const std::int16_t statusPort = loop.statusPort;
    const StampFn stamp = loop.stamp;
    RealtimeWindows &windows = loop.windows;
    for (std::size_t i = 0; i != count; ++i) {
        out[i] = inp32(statusPort);
        // After the read: the moment the register's value was on the lines is within the
        // read, not before it.
        const std::int64_t now = stamps[i] = stamp();
        windows.poll(now);
        done.store(i + 1, std::memory_order_relaxed);
        if (stop.load(std::memory_order_relaxed))
            return i + 1;
    }
    return count;
}

Capture readCapture(PortIo &port, cPerfCounter &perf, ReadClock clock,
                    const CaptureRequest &request)
{
    CaptureProgress unwatched;
    CaptureProgress &progress = request.progress ? *request.progress : unwatched;
    const std::size_t count = request.count;
    Capture capture;
    capture.base = static_cast<std::uint16_t>(request.statusPort - StatusOffset);
    std::vector<std::uint32_t> gaps;
    makeRoom(capture, gaps, count);
    // Bound first, so that loading the library never counts as reading time.
    const Inp32Fn inp32 = port.inp32();
    std::int16_t *reads = capture.reads.data();
    std::int64_t *times = capture.times.data(); // the clock's stamps until the reads end
    std::uint64_t waited = 0;
    std::optional<std::size_t> triggerSlot;
    std::size_t ring = 0;
    std::size_t made = count;
    std::int64_t waitStart = 0;
    ClockCalibration calibration(clock);
    {
        const LockedMemory locked(
            {{reads, count * sizeof(std::int16_t)}, {times, count * sizeof(std::int64_t)}});
        ThreadPriority thread;
        RealtimeWindows windows(thread, readRealtimeBudget(), clock);
        const ReadLoop loop{inp32, request.statusPort, clock.stamp, windows};
        windows.start();
        std::int64_t last = 0; // the stamp of the last read
        // The wall clock's time just before the first read: its cost stays outside the reads.
        capture.firstReadAt = std::chrono::system_clock::now();
        if (!request.trigger) {
            perf.Reset();
            made = readSamples(loop, reads, times, count, progress.kept, *request.stop);
            capture.elapsedSeconds = perf.Elapsed();
            last = made > 0 ? times[made - 1] : 0;
        } else if (count > 0) {
            // The reads before the trigger and the trigger's own go round a ring at the
            // front of the buffers; the rest follow it.
            ring = count * static_cast<std::size_t>(request.pretriggerPercent) / 100 + 1;
            progress.waiting.store(true, std::memory_order_relaxed);
            triggerSlot = waitForTrigger(loop, *request.trigger, reads, times, ring, clock,
                                         request.timeoutNs, waited, waitStart, progress);
            progress.waiting.store(false, std::memory_order_relaxed);
            if (triggerSlot) {
                // Not wrapped: the reads so far lie in order, and the rest follow on.
                const std::size_t kept = waited >= ring ? ring : *triggerSlot + 1;
                made = kept + readSamples(loop, reads + kept, times + kept, count - kept,
                                          progress.kept, *request.stop);
                last = made > kept ? times[made - 1] : times[*triggerSlot];
            }
        }
        windows.finish(last);
        capture.priority = windows.priority();
    }
    calibration.refresh();
    capture.reads.resize(made);
    capture.times.resize(made);
    if (const std::string failure = port.takeLastError(); !failure.empty())
        throw PortError(failure);
    capture.source = port.source(request.statusPort);
    if (request.trigger && count > 0) {
        if (!triggerSlot)
            throw TriggerTimeout("the trigger " + request.trigger->text() + " did not hold in time",
                                 waited);
        if (waited >= ring) {
            // Wrapped: the oldest read kept follows the trigger's slot.
            std::rotate(reads, reads + *triggerSlot + 1, reads + ring);
            std::rotate(times, times + *triggerSlot + 1, times + ring);
            capture.trigger = TriggerMark{ring - 1, request.trigger->text()};
        } else {
            capture.trigger = TriggerMark{*triggerSlot, request.trigger->text()};
        }
    }
    if (!clock.plain()) {
        for (std::int64_t &time : capture.times)
            time = calibration.toNs(time);
        waitStart = calibration.toNs(waitStart);
    }
    if (request.trigger && count > 0) {
        // The first read kept came that long after the first read made.
        capture.firstReadAt += std::chrono::nanoseconds(capture.times.front() - waitStart);
    }
    capture.timing = measureTiming(capture.times, gaps);
    if (request.trigger && count > 0) {
        capture.elapsedSeconds =
            double(capture.times.back() - capture.times.front() + capture.timing.medianPeriodNs) /
            1e9;
    }
    return capture;
}

Capture readCapture(PortIo &port, cPerfCounter &perf, ReadClock clock, std::int16_t statusPort,
                    std::size_t count)
{
    CaptureRequest request;
    request.statusPort = statusPort;
    request.count = count;
    return readCapture(port, perf, clock, request);
}

void storeSamples(const Capture &capture, Samples &samples)
{
    const std::size_t stored = std::min<std::size_t>(capture.size(), SampleCount);
    for (std::size_t i = 0; i < stored; ++i)
        samples[FirstSample + static_cast<int>(i)] = capture.reads[i];
}

} // namespace la
