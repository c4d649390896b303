#include "acquisition/readtiming.h"

#include <algorithm>
#include <limits>

namespace la {

namespace {

// A gap as the median sees it: 32 bits hold gaps up to 4.29 s, far beyond any read period,
// and halve the memory a capture of 100 million reads needs for finding the median.
std::uint32_t gapForMedian(std::int64_t gap)
{
    constexpr std::int64_t Most = std::numeric_limits<std::uint32_t>::max();
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(gap, 0, Most));
}

} // namespace

ReadTiming measureTiming(const std::vector<std::int64_t> &times)
{
    std::vector<std::uint32_t> gaps;
    return measureTiming(times, gaps);
}

ReadTiming measureTiming(const std::vector<std::int64_t> &times, std::vector<std::uint32_t> &gaps)
{
    ReadTiming timing;
    if (times.size() < 2)
        return timing;
    gaps.resize(times.size() - 1);
    for (std::size_t i = 1; i < times.size(); ++i)
        gaps[i - 1] = gapForMedian(times[i] - times[i - 1]);
    const auto middle = gaps.begin() + static_cast<std::ptrdiff_t>(gaps.size() / 2);
    std::nth_element(gaps.begin(), middle, gaps.end());
    timing.medianPeriodNs = *middle;

    const std::int64_t threshold = PauseFactor * timing.medianPeriodNs;
    for (std::size_t i = 1; i < times.size(); ++i) {
        const std::int64_t gap = times[i] - times[i - 1];
        if (gap <= threshold)
            continue;
        ++timing.pauses;
        if (gap > timing.longestPauseNs) {
            timing.longestPauseNs = gap;
            timing.longestPauseAfter = i; // the read before the gap is read i, counted from 1
        }
    }
    return timing;
}

} // namespace la
