#include "acquisition/portlibs/readpacer.h"

#include <utility>

namespace la {

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
