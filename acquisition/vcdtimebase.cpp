#include "acquisition/vcdtimebase.h"

#include <cmath>

namespace la {

namespace {

// Beyond this many ticks a double no longer counts single ticks; no real capture comes near.
constexpr double MostTicks = 9e15;

} // namespace

VcdTimebase VcdTimebase::forElapsed(double elapsedSeconds, std::size_t reads)
{
    const VcdTimebase unmeasured(false, -6, 1);
    if (!std::isfinite(elapsedSeconds) || elapsedSeconds <= 0 || reads == 0)
        return unmeasured;
    const double period = elapsedSeconds / static_cast<double>(reads);
    int exponent = CoarsestExponent;
    // The small allowance keeps a period of exactly 1 us at 10 ns, whatever the last bit of
    // the division says.
    while (exponent > FinestExponent &&
           std::pow(10.0, exponent) * TicksPerPeriodAtLeast > period * (1 + 1e-9))
        --exponent;
    const double ticksPerRead = period / std::pow(10.0, exponent);
    if (ticksPerRead * static_cast<double>(reads) > MostTicks)
        return unmeasured;
    return VcdTimebase(true, exponent, ticksPerRead);
}

std::string VcdTimebase::timescale() const
{
    static const char *const units[] = {"ps", "ns", "us", "ms", "s"};
    const int shifted = m_exponent - FinestExponent; // 0 .. 14
    static const char *const factors[] = {"1", "10", "100"};
    return std::string(factors[shifted % 3]) + " " + units[shifted / 3];
}

std::uint64_t VcdTimebase::tickOf(std::size_t index) const
{
    return static_cast<std::uint64_t>(std::llround(static_cast<double>(index) * m_ticksPerRead));
}

} // namespace la
