#pragma once

#include "acquisition/capture.h"
#include "acquisition/portio.h"
#include "acquisition/readclock.h"
#include "acquisition/trigger.h"
#include "state/instrumentstate.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>

namespace la {

class cPerfCounter;
class RealtimeWindows;

// How far a capture has come, for a display outside the sampling loop. The loop only stores
// into it, with relaxed atomics: no lock, no wait, nothing the reads could stall on.
struct CaptureProgress
{
    std::atomic<std::uint64_t> kept{0}; // reads kept so far
    std::atomic<bool> waiting{false};   // still waiting for the trigger
    std::atomic<std::int64_t> waitedNs{0};
};

// A stop flag that nothing sets, for reads that run to their count.
inline std::atomic<bool> NeverStop{false};

// What to capture: `count` reads of the status register at `statusPort`; with a trigger,
// the reads around the first one at which it holds, `pretriggerPercent` of them from before
// it, waiting at most `timeoutNs` for it. Once `stop` is set (from any thread), the reads
// after the trigger end at the next read.
struct CaptureRequest
{
    std::int16_t statusPort = 0x379;
    std::size_t count = SampleCount;
    std::optional<TriggerCondition> trigger;
    int pretriggerPercent = 10;
    std::int64_t timeoutNs = 10'000'000'000;
    CaptureProgress *progress = nullptr;
    const std::atomic<bool> *stop = &NeverStop;
};

// The trigger did not hold within the time allowed. Nothing was kept.
class TriggerTimeout : public std::runtime_error
{
public:
    TriggerTimeout(const std::string &what, std::uint64_t reads)
        : std::runtime_error(what), m_reads(reads)
    {
    }
    std::uint64_t reads() const { return m_reads; }

private:
    std::uint64_t m_reads;
};

// The memory for the reads and their times cannot be had. Said before anything is read.
class CaptureMemoryError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// What every read of a capture goes through: the port library's read of the status register
// at `statusPort`, then a stamp of the capture's clock, then a poll of the real-time windows
// with that stamp.
struct ReadLoop
{
    Inp32Fn inp32 = nullptr;
    std::int16_t statusPort = 0x379;
    StampFn stamp = monotonicNs;
    RealtimeWindows &windows;
};

// The time-critical loop of a capture: `count` reads into out[0..count-1], in reading order,
// each followed by its stamp into stamps[0..count-1], the windows' poll and the count so far
// into `done`; it ends early, after the read under way, once `stop` is set. Nothing else: no
// allocation, no output, no lock, no system call but a switch of priority where a window
// ends. Returns the number of reads made.
std::size_t readSamples(const ReadLoop &loop, std::int16_t *out, std::int64_t *stamps,
                        std::size_t count, std::atomic<std::uint64_t> &done,
                        const std::atomic<bool> &stop = NeverStop);

// One capture as the request asks. Binds Inp32 and makes and touches room for the reads and
// their times first, then (locked in memory and in real-time windows where the system allows
// it) reads, each read stamped by `clock`. Without a trigger `perf` times the reads as the
// instrument always has (Reset, the reads, Elapsed: -1 without a counter); with one, the
// capture's time is the span of the reads kept, one median period included. Afterwards the
// stamps become nanoseconds of CLOCK_MONOTONIC, from pairs of the clock taken before and
// after the reads, and the timing is measured from them. A capture stopped early holds the
// reads made. Throws CaptureMemoryError before
// reading, PortError when the library cannot be bound or reports a failed read,
// TriggerTimeout.
Capture readCapture(PortIo &port, cPerfCounter &perf, ReadClock clock,
                    const CaptureRequest &request);

// The window's capture: `count` reads, no trigger.
Capture readCapture(PortIo &port, cPerfCounter &perf, ReadClock clock, std::int16_t statusPort,
                    std::size_t count);

// Keeps the first 9999 reads of a capture as the instrument's samples 1..9999.
void storeSamples(const Capture &capture, Samples &samples);

} // namespace la
