#pragma once

#include "acquisition/countersource.h"

namespace la {

// The counter on Linux: CLOCK_MONOTONIC in nanoseconds (10^9 ticks per second). It never
// goes back and does not jump with changes of the wall clock.
class MonotonicCounter : public CounterSource
{
public:
    bool queryFrequency(std::int64_t &ticksPerSecond) override;
    bool queryCounter(std::int64_t &count) override;
};

} // namespace la
