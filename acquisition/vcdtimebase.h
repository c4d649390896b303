#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace la {

// The time base of a capture's VCD file. Read i (0-based) sits at i average read periods,
// the period being the measured capture time / the number of reads; the file's unit is the
// coarsest of 1, 10 or 100 s, ms, us, ns or ps that still divides the period into 100 or
// more ticks (1 ps at the finest), so that rounding moves no edge by more than 1/200 of a
// period. Without a measured time each read is one tick of 1 us.
class VcdTimebase
{
public:
    // The finest and coarsest units, as powers of ten of a second.
    static constexpr int FinestExponent = -12;
    static constexpr int CoarsestExponent = 2;
    static constexpr double TicksPerPeriodAtLeast = 100;

    // elapsedSeconds as the interval timer gives it: -1 without a counter. Any time that is
    // not a positive, finite number counts as not measured.
    static VcdTimebase forElapsed(double elapsedSeconds, std::size_t reads);

    bool measured() const { return m_measured; }
    // One tick is 10^unitExponent() seconds.
    int unitExponent() const { return m_exponent; }
    // The unit as $timescale writes it: "1 us", "10 ns", "100 ps".
    std::string timescale() const;
    double ticksPerRead() const { return m_ticksPerRead; }
    // The time of read `index` in ticks, rounded to the nearest; index == the number of
    // reads stands for the end of the capture, one period after the last read.
    std::uint64_t tickOf(std::size_t index) const;

private:
    VcdTimebase(bool measured, int exponent, double ticksPerRead)
        : m_measured(measured), m_exponent(exponent), m_ticksPerRead(ticksPerRead)
    {
    }

    bool m_measured;
    int m_exponent;
    double m_ticksPerRead;
};

} // namespace la
