#include "output/vcdtimebase.h"

#include <cmath>

namespace la {

VcdTimebase VcdTimebase::forPeriod(double periodNs)
{
    // Compared in whole picoseconds, so that a period of exactly 1 us gives 100 ns, whatever
    // the last bit of a division says.
    const double periodPs = std::round(periodNs * 1e3);
    int exponent = CoarsestExponent;
    while (exponent > FinestExponent &&
           std::pow(10.0, exponent - FinestExponent) * TicksPerPeriodAtLeast > periodPs)
        --exponent;
    return VcdTimebase(exponent);
}

std::string VcdTimebase::timescale() const
{
    static const char *const units[] = {"ps", "ns", "us", "ms", "s"};
    static const char *const factors[] = {"1", "10", "100"};
    const int shifted = m_exponent - FinestExponent; // 0 .. 14
    return std::string(factors[shifted % 3]) + " " + units[shifted / 3];
}

std::uint64_t VcdTimebase::ticksOf(double ns) const
{
    const double ticks = ns / std::pow(10.0, m_exponent + 9);
    return ticks <= 0 ? 0 : static_cast<std::uint64_t>(std::llround(ticks));
}

} // namespace la
