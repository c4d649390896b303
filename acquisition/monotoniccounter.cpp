#include "acquisition/monotoniccounter.h"

#include <time.h>

namespace la {

bool MonotonicCounter::queryFrequency(std::int64_t &ticksPerSecond)
{
    timespec resolution{};
    if (clock_getres(CLOCK_MONOTONIC, &resolution) != 0)
        return false;
    ticksPerSecond = 1'000'000'000;
    return true;
}

bool MonotonicCounter::queryCounter(std::int64_t &count)
{
    timespec now{};
    if (clock_gettime(CLOCK_MONOTONIC, &now) != 0)
        return false;
    count = static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
    return true;
}

} // namespace la
