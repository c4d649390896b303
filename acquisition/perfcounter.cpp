#include "acquisition/perfcounter.h"

#include "acquisition/countersource.h"

namespace la {

cPerfCounter::cPerfCounter(CounterSource &source) : m_source(source)
{
    std::int64_t frequency = 0;
    if (m_source.queryFrequency(frequency)) {
        has_counter = -1;
        ticks_per_second = large_to_double(split(frequency));
    }
}

void cPerfCounter::Reset()
{
    // Nothing but the counter read: this is the start of the measured interval.
    std::int64_t count = 0;
    m_source.queryCounter(count);
    start_count = split(count);
}

double cPerfCounter::fetch_time()
{
    std::int64_t count = 0;
    m_source.queryCounter(count);
    fetch_count = split(count);
    return large_to_double(fetch_count);
}

double cPerfCounter::Elapsed()
{
    // The counter is read before anything else, so none of this function's own work falls
    // inside the measured interval.
    std::int64_t count = 0;
    const bool ok = m_source.queryCounter(count);
    if (!ok || has_counter == 0)
        return -1;
    return (large_to_double(split(count)) - large_to_double(start_count)) / ticks_per_second;
}

cPerfCounter::LargeInteger cPerfCounter::split(std::int64_t value)
{
    const auto bits = static_cast<std::uint64_t>(value);
    return {static_cast<std::uint32_t>(bits & 0xFFFFFFFFu),
            static_cast<std::int32_t>(static_cast<std::uint32_t>(bits >> 32))};
}

double cPerfCounter::large_to_double(LargeInteger value)
{
    return unsigned_to_double(value.lowPart) + static_cast<double>(value.highPart) * 4294967296.0;
}

double cPerfCounter::unsigned_to_double(std::uint32_t value)
{
    // Read as a signed 32-bit integer first; a negative reading is the top half of the
    // unsigned range.
    double result = static_cast<std::int32_t>(value);
    if (result < 0)
        result += 4294967296.0;
    return result;
}

} // namespace la
