#pragma once

#include "acquisition/readclock.h"

#include <cstdint>
#include <functional>

namespace la {

// Paces simulated port reads like a legacy port, where one port instruction takes about a
// microsecond: each read starts no earlier than one interval after the previous read's
// start, busy-waiting on the clock until then.
class ReadPacer
{
public:
    using Clock = std::function<std::int64_t()>;

    explicit ReadPacer(Clock clock = monotonicNs, std::int64_t intervalNs = 1000);

    // Waits as needed and returns the time at which this read starts.
    std::int64_t nextRead();

private:
    Clock m_clock;
    std::int64_t m_intervalNs;
    std::int64_t m_previous = 0;
    bool m_started = false;
};

} // namespace la
