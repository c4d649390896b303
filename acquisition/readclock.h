#pragma once

#include <cstdint>
#include <ctime>
#include <limits>

namespace la {

// Nanoseconds of CLOCK_MONOTONIC: the time base every capture's times are given in. Through
// the vDSO it costs about 30 ns and no system call; it is the same on every CPU and never
// steps with the wall clock. Header-only, so that the simulated probe runs on the very same
// clock as the reads it answers.
inline std::int64_t monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// What a capture calls after each read: raw units, nanoseconds or counter ticks.
using StampFn = std::int64_t (*)();

// A stamp of the counter and the time in nanoseconds of CLOCK_MONOTONIC, read back to back.
struct ClockPair
{
    std::int64_t stamp = 0;
    std::int64_t ns = 0;
};

// What a capture stamps each read with: `stamp` is called after every read and returns raw
// units, either nanoseconds of CLOCK_MONOTONIC (a plain clock: monotonicNs, or a test's fake)
// or ticks of a counter that `pair` relates to CLOCK_MONOTONIC (the time-stamp counter, see
// tscclock.h). Stamps become nanoseconds away from the reads, through a ClockCalibration.
struct ReadClock
{
    StampFn stamp = monotonicNs;
    // Null for a plain clock, whose stamps are nanoseconds already.
    ClockPair (*pair)() = nullptr;
    // The counter's rate, near enough for deadlines and priority windows; 1 for a plain clock.
    double ticksPerNs = 1.0;

    ReadClock() = default;
    // Implicit, so that a plain nanosecond clock is a ReadClock wherever one is asked for.
    ReadClock(std::int64_t (*nanoseconds)()) : stamp(nanoseconds) {}
    ReadClock(StampFn ticks, ClockPair (*calibrationPair)(), double rate)
        : stamp(ticks), pair(calibrationPair), ticksPerNs(rate)
    {
    }

    bool plain() const { return pair == nullptr; }

    // A span of `ns` nanoseconds in stamp units, saturating instead of overflowing.
    std::int64_t ticks(std::int64_t ns) const
    {
        if (plain())
            return ns;
        const double span = static_cast<double>(ns) * ticksPerNs;
        constexpr double Most = static_cast<double>(std::numeric_limits<std::int64_t>::max() / 4);
        return span >= Most ? std::numeric_limits<std::int64_t>::max() / 4
                            : static_cast<std::int64_t>(span);
    }
};

} // namespace la
