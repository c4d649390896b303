#include "acquisition/clockcalibration.h"

#include <algorithm>
#include <limits>

namespace la {

namespace {

// Nanoseconds per stamp unit from `from` to `to` (to.stamp > from.stamp). A double holds a
// day of 3 GHz ticks exactly and the rate to one part in 10^16, far below a nanosecond.
double rate(ClockPair from, ClockPair to)
{
    return double(to.ns - from.ns) / double(to.stamp - from.stamp);
}

// To the nearest, halves away from zero, as llround does but without its call: the
// conversion of a whole capture is mostly this. It keeps the order of what it rounds.
std::int64_t nearest(double ns)
{
    return ns >= 0 ? static_cast<std::int64_t>(ns + 0.5) : -static_cast<std::int64_t>(0.5 - ns);
}

// The time at `stamp` on the line through `from` at `nsPerTick`: a later stamp never gets an
// earlier time.
std::int64_t onLine(ClockPair from, double nsPerTick, std::int64_t stamp)
{
    return from.ns + nearest(double(stamp - from.stamp) * nsPerTick);
}

} // namespace

ClockCalibration::ClockCalibration(const ReadClock &clock)
    : m_pair(clock.pair), m_ticksPerNs(clock.ticksPerNs)
{
    refresh();
}

ClockCalibration::ClockCalibration(double ticksPerNs, ClockPair first) : m_ticksPerNs(ticksPerNs)
{
    add(first);
}

void ClockCalibration::refresh()
{
    if (m_pair)
        add(m_pair());
}

void ClockCalibration::add(ClockPair pair)
{
    if (m_pairs == 0) {
        m_first = m_from = m_newest = pair;
        m_pairs = 1;
        return;
    }
    if (pair.stamp <= m_newest.stamp || pair.ns < m_newest.ns)
        return;
    // Stamps past the newest pair got times from its extrapolation: go on from the last of
    // them, so that what follows is never placed earlier.
    if (m_given && m_last.stamp > m_newest.stamp && m_last.stamp < pair.stamp)
        m_from = {m_last.stamp, std::min(m_last.ns, pair.ns)};
    else
        m_from = m_newest;
    m_newest = pair;
    m_pairs = 2;
    m_segmentRate = rate(m_from, m_newest);
    m_meanRate = rate(m_first, m_newest);
}

std::int64_t ClockCalibration::place(std::int64_t stamp) const
{
    if (m_pairs == 0)
        return stamp;
    if (m_pairs == 1)
        return onLine(m_newest, 1.0 / m_ticksPerNs, stamp);
    if (stamp >= m_newest.stamp)
        return onLine(m_newest, m_meanRate, stamp);
    return onLine(m_from, m_segmentRate, stamp);
}

std::int64_t ClockCalibration::toNs(std::int64_t stamp)
{
    std::int64_t ns = place(stamp);
    if (m_given && stamp < m_last.stamp)
        return ns;
    if (m_given)
        ns = std::max(ns, m_last.ns);
    m_given = true;
    m_last = {stamp, ns};
    return ns;
}

std::int64_t ClockCalibration::newestStamp() const
{
    return m_pairs == 0 ? std::numeric_limits<std::int64_t>::max() : m_newest.stamp;
}

} // namespace la
