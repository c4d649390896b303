#include "acquisition/gapstatistics.h"

#include <algorithm>
#include <bit>

namespace la {

namespace {

// The long gaps: for each power of two from ExactBelowNs up, 1024 bins.
constexpr int SubBits = 10;
constexpr int FirstPower = std::countr_zero(std::uint64_t(GapStatistics::ExactBelowNs));
constexpr std::size_t LongBins = std::size_t(63 - FirstPower) << SubBits;

std::size_t longBin(std::int64_t gapNs)
{
    const auto gap = static_cast<std::uint64_t>(gapNs);
    const int power = 63 - std::countl_zero(gap);
    const std::uint64_t sub = (gap >> (power - SubBits)) & ((1u << SubBits) - 1);
    return (std::size_t(power - FirstPower) << SubBits) + sub;
}

// The middle of a long bin's gaps.
std::int64_t longBinNs(std::size_t bin)
{
    const int power = int(bin >> SubBits) + FirstPower;
    const std::uint64_t sub = bin & ((1u << SubBits) - 1);
    const std::uint64_t from = ((std::uint64_t(1) << SubBits) + sub) << (power - SubBits);
    return static_cast<std::int64_t>(from + (std::uint64_t(1) << (power - SubBits - 1)));
}

} // namespace

GapStatistics::GapStatistics() : m_exact(std::size_t(ExactBelowNs), 0), m_long(LongBins, 0) {}

void GapStatistics::addLong(std::int64_t gapNs)
{
    if (gapNs < 0)
        ++m_exact[0];
    else
        ++m_long[longBin(gapNs)];
}

std::int64_t GapStatistics::medianNs() const
{
    if (m_count == 0)
        return 0;
    const std::uint64_t rank = m_count / 2; // from 0, as measureTiming's middle element
    std::uint64_t seen = 0;
    for (std::size_t ns = 0; ns < m_exact.size(); ++ns) {
        seen += m_exact[ns];
        if (seen > rank)
            return std::int64_t(ns);
    }
    for (std::size_t bin = 0; bin < m_long.size(); ++bin) {
        seen += m_long[bin];
        if (seen > rank)
            return longBinNs(bin);
    }
    return 0;
}

std::uint64_t GapStatistics::countLongerThan(std::int64_t ns) const
{
    std::uint64_t longer = 0;
    for (std::size_t gap = std::size_t(std::max<std::int64_t>(ns + 1, 0)); gap < m_exact.size();
         ++gap)
        longer += m_exact[gap];
    for (std::size_t bin = 0; bin < m_long.size(); ++bin) {
        if (longBinNs(bin) > ns)
            longer += m_long[bin];
    }
    return longer;
}

ReadTiming GapStatistics::timing() const
{
    ReadTiming timing;
    if (m_count == 0)
        return timing;
    timing.medianPeriodNs = medianNs();
    timing.pauses = countLongerThan(PauseFactor * timing.medianPeriodNs);
    if (timing.pauses > 0) {
        timing.longestPauseNs = m_longestNs;
        timing.longestPauseAfter = m_longestAfter;
    }
    return timing;
}

} // namespace la
