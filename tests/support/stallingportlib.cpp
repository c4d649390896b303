// A port library for timing tests. Each read takes about a microsecond, spinning on the
// clock like a legacy port's bus cycle, and then samples lines driven from real time: ch1
// toggles every 50 us and ch5 every 170 us, counted from the first read. The read numbered
// `stallAt` (from 0) stalls for `stallNs` before it samples. The time every read sampled at
// is kept, so that a test can hold the capture's times against the truth.
#include "acquisition/channels.h"
#include "acquisition/readclock.h"

#include <cstdint>
#include <vector>

#define LA_TEST_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::int64_t stallAt = -1;
std::int64_t stallNs = 0;
std::vector<std::int64_t> sampled;

void spinUntil(std::int64_t t)
{
    while (la::monotonicNs() < t) {
    }
}

} // namespace

LA_TEST_EXPORT void StallSetUp(long at, long ns)
{
    stallAt = at;
    stallNs = ns;
    sampled.clear();
    sampled.reserve(100000);
}

// Line levels `t` ns after the first read (bit 0: ch1 ... bit 4: ch5).
unsigned levelsAt(std::int64_t t)
{
    return ((t / 50'000) % 2 ? 1u : 0u) | ((t / 170'000) % 2 ? 16u : 0u);
}

LA_TEST_EXPORT const std::int64_t *StallSampleTimes(long *count)
{
    *count = static_cast<long>(sampled.size());
    return sampled.data();
}

LA_TEST_EXPORT std::int16_t Inp32(std::int16_t)
{
    const std::int64_t start = la::monotonicNs();
    if (static_cast<std::int64_t>(sampled.size()) == stallAt)
        spinUntil(start + stallNs);
    spinUntil(start + 1000);
    const std::int64_t now = la::monotonicNs();
    sampled.push_back(now);
    return la::statusFor(levelsAt(now - sampled.front()));
}

LA_TEST_EXPORT void Out32(std::int16_t, std::int16_t) {}
