#pragma once

#include <cstdint>
#include <string_view>

namespace la {

// The levels of the simulated probe's five lines; true is high.
struct ProbeLines
{
    bool ch1 = false;
    bool ch2 = false;
    bool ch3 = false;
    bool ch4 = false;
    bool ch5 = false;
};

// The simulated probe circuit: what its lines carry at a time t, in nanoseconds of the
// monotonic clock (t >= 0). The signals depend on t alone, so successive captures differ and
// every edge lands where these constants put it.
//   ch1..ch3  a 3-bit binary counter stepping every 50 us (ch1 10 kHz, ch2 5 kHz, ch3 2.5 kHz)
//   ch4       a 1 kHz PWM whose duty cycle sweeps 10 % up to 90 % and back down every 4 s
//   ch5       a 9600-baud UART line (8N1, idle high) sending "Hello, logic!\r\n" over and
//             over one character at a time, with half a frame time of idle line after
//             each character and a whole one after each message, as a device printing
//             through a UART a character at a time does. The gaps let a receiver that
//             starts in the middle of a character find the frame at the next one.
//   d0..d7    an 8-bit counter that steps on every falling edge of ch1 (every 100 us), so
//             ch1's rising edge falls in the middle of each value: a bus with its clock,
//             100 reads a value at a microsecond a read
class ProbeSignals
{
public:
    static constexpr std::int64_t kSecondNs = 1'000'000'000;
    static constexpr std::int64_t kCounterStepNs = 50'000;
    static constexpr std::int64_t kDataStepNs = 2 * kCounterStepNs;
    static constexpr std::int64_t kPwmPeriodNs = 1'000'000;
    static constexpr std::int64_t kSweepPeriodNs = 4 * kSecondNs;
    static constexpr int kMinDutyPermille = 100;
    static constexpr int kMaxDutyPermille = 900;
    static constexpr std::int64_t kBaud = 9600;
    static constexpr int kFrameBits = 10; // start, eight data bits LSB first, stop
    static constexpr int kGapBits = 5;    // idle after each character
    static constexpr int kIdleBits = 10;  // idle after each message
    static constexpr std::string_view kMessage = "Hello, logic!\r\n";

    static ProbeLines linesAt(std::int64_t tNs);

    // The counter's value, 0..7: ch1 is its bit 0, ch2 bit 1, ch3 bit 2.
    static int counterAt(std::int64_t tNs);
    // The duty cycle of the PWM period that holds t, in thousandths.
    static int dutyPermilleAt(std::int64_t tNs);
    static bool pwmAt(std::int64_t tNs);
    // The number of whole UART bit times from t = 0 to t.
    static std::int64_t uartBitIndexAt(std::int64_t tNs);
    static bool uartAt(std::int64_t tNs);

    // The data pins, d0 the counter's bit 0.
    static std::uint8_t dataAt(std::int64_t tNs)
    {
        return static_cast<std::uint8_t>(tNs / kDataStepNs % 256);
    }

    // The status register as the port shows these lines: ch1 bit 4, ch2 bit 5, ch4 bit 6,
    // ch5 bit 3, and ch3 bit 7, which the port hardware inverts. Bits 0..2 read 0.
    static std::uint8_t statusRegister(const ProbeLines &lines);
    static std::uint8_t statusAt(std::int64_t tNs) { return statusRegister(linesAt(tNs)); }
};

} // namespace la
