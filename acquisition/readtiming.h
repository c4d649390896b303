#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace la {

// A pause: a gap between two consecutive reads longer than this many median read periods.
inline constexpr std::int64_t PauseFactor = 3;

// How the reads of a capture were spaced in time: what a reader needs to trust the times.
struct ReadTiming
{
    // The median gap between consecutive reads; 0 when fewer than two reads were timed.
    std::int64_t medianPeriodNs = 0;
    // Gaps longer than PauseFactor median periods, and the longest of them: its length and
    // the read it follows, counted from 1.
    std::size_t pauses = 0;
    std::int64_t longestPauseNs = 0;
    std::size_t longestPauseAfter = 0;
};

// The timing of reads made at `times` (nanoseconds, in reading order).
ReadTiming measureTiming(const std::vector<std::int64_t> &times);
// The same in `gaps`, room for the gaps between the times: with capacity for them, taken
// before the reads, measuring allocates nothing.
ReadTiming measureTiming(const std::vector<std::int64_t> &times, std::vector<std::uint32_t> &gaps);

} // namespace la
