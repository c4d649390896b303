#pragma once

#include <cstdint>
#include <ctime>

namespace la {

// Nanoseconds of CLOCK_MONOTONIC: the clock every read of a capture is timed by. Through
// the vDSO it costs about 30 ns and no system call; it is the same on every CPU and never
// steps with the wall clock. Header-only, so that the simulated probe runs on the very same
// clock as the reads it answers.
inline std::int64_t monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// The clock a capture takes its per-read times from, in nanoseconds; monotonicNs but in
// tests.
using ReadClock = std::int64_t (*)();

} // namespace la
