#pragma once

#include <cstdint>

namespace la {

// The system's high-resolution counter: its rate in ticks per second and its current count,
// each a 64-bit value, each with a result that says whether the counter could be read.
class CounterSource
{
public:
    virtual ~CounterSource() = default;

    virtual bool queryFrequency(std::int64_t &ticksPerSecond) = 0;
    virtual bool queryCounter(std::int64_t &count) = 0;
};

} // namespace la
