#pragma once

#include "acquisition/readtiming.h"

#include <cstdint>
#include <vector>

namespace la {

// The gaps between the consecutive reads of a capture of any length, in constant memory:
// a count of the gaps of each length in nanoseconds up to ExactBelowNs, where every port's
// read period lies, and of the longer ones in bins a 1024th of their length wide. The
// median is exact up to ExactBelowNs and within a 1024th beyond it; the pauses are told
// against the median as measureTiming tells them, exactly when three median periods lie
// below ExactBelowNs. About 900 kB, taken and touched at construction.
class GapStatistics
{
public:
    static constexpr std::int64_t ExactBelowNs = 1 << 16;

    GapStatistics();

    // The gap from read `after` (counted from 1) to the next, which was made `atNs` after
    // the first read. A gap below zero (a clock that stepped back) counts as zero.
    void add(std::int64_t gapNs, std::uint64_t after, std::int64_t atNs)
    {
        if (gapNs >= 0 && gapNs < ExactBelowNs)
            ++m_exact[static_cast<std::size_t>(gapNs)];
        else
            addLong(gapNs);
        ++m_count;
        if (gapNs > m_longestNs) {
            m_longestNs = gapNs;
            m_longestAfter = after;
            m_longestAtNs = atNs - gapNs;
        }
    }

    std::uint64_t count() const { return m_count; }
    // The median gap as measureTiming finds it (the middle one, the upper of two); 0 when
    // there is none.
    std::int64_t medianNs() const;
    // How many gaps are longer than `ns`.
    std::uint64_t countLongerThan(std::int64_t ns) const;
    // The timing of the reads as measureTiming tells it.
    ReadTiming timing() const;
    // When the read before the longest gap was made, in nanoseconds from the first.
    std::int64_t longestAtNs() const { return m_longestAtNs; }

private:
    void addLong(std::int64_t gapNs);

    std::vector<std::uint64_t> m_exact;
    std::vector<std::uint64_t> m_long;
    std::uint64_t m_count = 0;
    std::int64_t m_longestNs = 0;
    std::uint64_t m_longestAfter = 0;
    std::int64_t m_longestAtNs = 0;
};

} // namespace la
