#include "acquisition/portlibs/readpacer.h"

#include <ctime>
#include <utility>

namespace la {

std::int64_t monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

ReadPacer::ReadPacer(Clock clock, std::int64_t intervalNs)
    : m_clock(std::move(clock)), m_intervalNs(intervalNs)
{
}

std::int64_t ReadPacer::nextRead()
{
    std::int64_t now = m_clock();
    if (m_started) {
        // A sleep would take tens of microseconds; a microsecond is only reachable by spinning.
        while (now - m_previous < m_intervalNs)
            now = m_clock();
    }
    m_previous = now;
    m_started = true;
    return now;
}

} // namespace la
