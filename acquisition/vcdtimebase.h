#pragma once

#include <cstdint>
#include <string>

namespace la {

// The time base of a capture's VCD file. Sample i (1..9999) sits at (i - 1) average sample
// periods, the period being the measured capture time / 9999; the file's unit is the
// coarsest of 1, 10 or 100 s, ms, us, ns or ps that still divides the period into 100 or
// more ticks (1 ps at the finest), so that rounding moves no edge by more than 1/200 of a
// period. Without a measured time each sample is one tick of 1 us.
class VcdTimebase
{
public:
    // The finest and coarsest units, as powers of ten of a second.
    static constexpr int FinestExponent = -12;
    static constexpr int CoarsestExponent = 2;
    static constexpr double TicksPerPeriodAtLeast = 100;

    // elapsedSeconds as CaptureCycle::lastElapsed() gives it: -1 without a counter. Any time
    // that is not a positive, finite number counts as not measured.
    static VcdTimebase forElapsed(double elapsedSeconds);

    bool measured() const { return m_measured; }
    // One tick is 10^unitExponent() seconds.
    int unitExponent() const { return m_exponent; }
    // The unit as $timescale writes it: "1 us", "10 ns", "100 ps".
    std::string timescale() const;
    double ticksPerSample() const { return m_ticksPerSample; }
    // The time of sample 1..9999 in ticks, rounded to the nearest; sample 10000 stands for
    // the end of the capture, one period after the last sample.
    std::uint64_t tickOf(int sample) const;

private:
    VcdTimebase(bool measured, int exponent, double ticksPerSample)
        : m_measured(measured), m_exponent(exponent), m_ticksPerSample(ticksPerSample)
    {
    }

    bool m_measured;
    int m_exponent;
    double m_ticksPerSample;
};

} // namespace la
