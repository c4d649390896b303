#pragma once

#include <array>
#include <cstdint>

namespace la {

// Where the probe's five channels arrive: a status-register bit each, on a pin of the
// 25-pin connector. The port inverts Busy (bit 7) on its way into the register, so
// channel 3's line is high when its bit reads 0. Header-only, for the port libraries too.
struct ChannelWire
{
    std::uint8_t mask; // the status bit
    bool inverted;     // the port inverts the line
    int pin;           // connector pin
};

inline constexpr std::array<ChannelWire, 5> ChannelWires = {{
    {0x10, false, 13}, // ch1: Select
    {0x20, false, 12}, // ch2: Paper End
    {0x80, true, 11},  // ch3: Busy
    {0x40, false, 10}, // ch4: Ack
    {0x08, false, 15}, // ch5: Error
}};

// Channel k (0-based) of a status byte: true when its line is high. Bits that carry no
// channel, and the high byte of a 16-bit read, change nothing.
constexpr bool lineHigh(std::int16_t status, std::size_t k)
{
    const ChannelWire &wire = ChannelWires[k];
    return ((status & wire.mask) == wire.mask) != wire.inverted;
}

// The status byte a port shows for five line levels (bit k of `levels` high means channel
// k + 1 is high); the bits that carry no channel read 0.
constexpr std::uint8_t statusFor(unsigned levels)
{
    unsigned status = 0;
    for (std::size_t k = 0; k < ChannelWires.size(); ++k) {
        const bool high = ((levels >> k) & 1u) != 0;
        if (high != ChannelWires[k].inverted)
            status |= ChannelWires[k].mask;
    }
    return static_cast<std::uint8_t>(status);
}

} // namespace la
