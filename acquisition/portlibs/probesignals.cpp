#include "acquisition/portlibs/probesignals.h"

#include "acquisition/channels.h"

namespace la {

ProbeLines ProbeSignals::linesAt(std::int64_t tNs)
{
    const int counter = counterAt(tNs);
    ProbeLines lines;
    lines.ch1 = (counter & 1) != 0;
    lines.ch2 = (counter & 2) != 0;
    lines.ch3 = (counter & 4) != 0;
    lines.ch4 = pwmAt(tNs);
    lines.ch5 = uartAt(tNs);
    return lines;
}

int ProbeSignals::counterAt(std::int64_t tNs)
{
    return static_cast<int>((tNs / kCounterStepNs) % 8);
}

int ProbeSignals::dutyPermilleAt(std::int64_t tNs)
{
    // A triangle sampled once per PWM period, so each period has one duty cycle.
    const std::int64_t periodStart = tNs - tNs % kPwmPeriodNs;
    const std::int64_t phase = periodStart % kSweepPeriodNs;
    const std::int64_t half = kSweepPeriodNs / 2;
    const std::int64_t span = kMaxDutyPermille - kMinDutyPermille;
    if (phase < half)
        return static_cast<int>(kMinDutyPermille + span * phase / half);
    return static_cast<int>(kMaxDutyPermille - span * (phase - half) / half);
}

bool ProbeSignals::pwmAt(std::int64_t tNs)
{
    const std::int64_t highNs = kPwmPeriodNs * dutyPermilleAt(tNs) / 1000;
    return tNs % kPwmPeriodNs < highNs;
}

std::int64_t ProbeSignals::uartBitIndexAt(std::int64_t tNs)
{
    // Split at whole seconds: t * 9600 would overflow 64 bits after about 11 days of uptime.
    return tNs / kSecondNs * kBaud + tNs % kSecondNs * kBaud / kSecondNs;
}

bool ProbeSignals::uartAt(std::int64_t tNs)
{
    constexpr std::int64_t slotBits = kFrameBits + kGapBits;
    const std::int64_t messageBits = static_cast<std::int64_t>(kMessage.size()) * slotBits;
    const std::int64_t bit = uartBitIndexAt(tNs) % (messageBits + kIdleBits);
    if (bit >= messageBits)
        return true;
    const auto character = static_cast<unsigned char>(kMessage[bit / slotBits]);
    const int position = static_cast<int>(bit % slotBits);
    if (position == 0)
        return false;
    if (position >= kFrameBits - 1) // the stop bit and the gap after it
        return true;
    return ((character >> (position - 1)) & 1) != 0;
}

std::uint8_t ProbeSignals::statusRegister(const ProbeLines &lines)
{
    // Spelled out rather than looped over an array of the five: GCC 12 with UBSan at -O1
    // miscompiles that loop.
    const unsigned levels = (lines.ch1 ? 1u : 0u) | (lines.ch2 ? 2u : 0u) | (lines.ch3 ? 4u : 0u) |
                            (lines.ch4 ? 8u : 0u) | (lines.ch5 ? 16u : 0u);
    return statusFor(levels);
}

} // namespace la
