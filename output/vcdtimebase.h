#pragma once

#include <cstdint>
#include <string>

namespace la {

// The time unit of a capture's VCD file: the coarsest of 1, 10 or 100 s, ms, us, ns or ps
// that is at most a tenth of the capture's read period, so that a reader sampling the file
// at its unit (as sigrok does) takes about ten samples per read, and rounding a read's time
// to the unit moves it by a twentieth of a period at most. 1 ps at the finest.
class VcdTimebase
{
public:
    // The finest and coarsest units, as powers of ten of a second.
    static constexpr int FinestExponent = -12;
    static constexpr int CoarsestExponent = 2;
    static constexpr int TicksPerPeriodAtLeast = 10;

    static VcdTimebase forPeriod(double periodNs);

    // One tick is 10^unitExponent() seconds.
    int unitExponent() const { return m_exponent; }
    // The unit as $timescale writes it: "1 us", "10 ns", "100 ps".
    std::string timescale() const;
    // A time in nanoseconds as a count of ticks, rounded to the nearest.
    std::uint64_t ticksOf(double ns) const;

private:
    explicit VcdTimebase(int exponent) : m_exponent(exponent) {}

    int m_exponent;
};

} // namespace la
