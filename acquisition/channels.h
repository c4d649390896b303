#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace la {

// The port's three registers that carry lines, in the order a capture reads them.
enum class PortRegister : std::uint8_t
{
    Status,
    Data,
    Control
};

// One sample: the registers read at one moment, as one word. Status in bits 0-7, data in
// 8-15, control in 16-23; a register not read stays 0. A read of the status register alone
// is a sample word as it is.
using SampleWord = std::uint32_t;

constexpr int registerShift(PortRegister reg)
{
    return 8 * static_cast<int>(reg);
}

constexpr SampleWord registerBits(PortRegister reg)
{
    return SampleWord{0xFF} << registerShift(reg);
}

constexpr SampleWord sampleWord(std::uint8_t status, std::uint8_t data = 0,
                                std::uint8_t control = 0)
{
    return SampleWord{status} | SampleWord{data} << 8 | SampleWord{control} << 16;
}

// A line the port can read: its register and bit, whether the port inverts it on its way in
// (the register bit reads 1 while the pin is low), its pin on the 25-pin connector and its
// name on the command line. Header-only, for the port libraries too.
struct PortLine
{
    std::string_view id;
    PortRegister reg;
    int bit;
    bool inverted;
    int pin;
    std::string_view signal; // the port's name for the pin

    constexpr SampleWord mask() const { return SampleWord{1} << (registerShift(reg) + bit); }
};

// The probe's five status lines first (ch1..ch5, as the window shows them), then the eight
// data pins, inputs once the port's direction is switched, then the four control pins,
// which read what drives them once their open-collector outputs are released (high).
inline constexpr std::array<PortLine, 17> PortLines = {{
    {"ch1", PortRegister::Status, 4, false, 13, "Select"},
    {"ch2", PortRegister::Status, 5, false, 12, "Paper End"},
    {"ch3", PortRegister::Status, 7, true, 11, "Busy"},
    {"ch4", PortRegister::Status, 6, false, 10, "Ack"},
    {"ch5", PortRegister::Status, 3, false, 15, "Error"},
    {"d0", PortRegister::Data, 0, false, 2, "Data 0"},
    {"d1", PortRegister::Data, 1, false, 3, "Data 1"},
    {"d2", PortRegister::Data, 2, false, 4, "Data 2"},
    {"d3", PortRegister::Data, 3, false, 5, "Data 3"},
    {"d4", PortRegister::Data, 4, false, 6, "Data 4"},
    {"d5", PortRegister::Data, 5, false, 7, "Data 5"},
    {"d6", PortRegister::Data, 6, false, 8, "Data 6"},
    {"d7", PortRegister::Data, 7, false, 9, "Data 7"},
    {"c0", PortRegister::Control, 0, true, 1, "Strobe"},
    {"c1", PortRegister::Control, 1, true, 14, "Auto Linefeed"},
    {"c2", PortRegister::Control, 2, false, 16, "Init"},
    {"c3", PortRegister::Control, 3, true, 17, "Select In"},
}};

// Line `line` (an index into PortLines) of a sample word: true when its pin is high.
constexpr bool lineLevel(SampleWord word, std::size_t line)
{
    const PortLine &wire = PortLines[line];
    return ((word & wire.mask()) != 0) != wire.inverted;
}

// Control register bit 5 turns the data pins around: set, they are inputs (on a port whose
// mode allows it), clear, the port drives them from its data latch.
inline constexpr std::uint8_t DataInputBit = 0x20;

// What a port library's PortInputs export says of a port's route, as bits.
inline constexpr int DataPinsReadable = 1;    // its data pins can be inputs
inline constexpr int ControlPinsReadable = 2; // a control read comes from the pins

// Where the probe's five channels arrive: a status-register bit each, on a pin of the
// 25-pin connector. The port inverts Busy (bit 7) on its way into the register, so
// channel 3's line is high when its bit reads 0.
struct ChannelWire
{
    std::uint8_t mask; // the status bit
    bool inverted;     // the port inverts the line
    int pin;           // connector pin
};

constexpr ChannelWire channelWire(const PortLine &line)
{
    return {static_cast<std::uint8_t>(1u << line.bit), line.inverted, line.pin};
}

inline constexpr std::array<ChannelWire, 5> ChannelWires = {{
    channelWire(PortLines[0]),
    channelWire(PortLines[1]),
    channelWire(PortLines[2]),
    channelWire(PortLines[3]),
    channelWire(PortLines[4]),
}};

// Channel k (0-based) of a status byte: true when its line is high. Bits that carry no
// channel, and the high byte of a 16-bit read, change nothing.
constexpr bool lineHigh(std::int16_t status, std::size_t k)
{
    return lineLevel(static_cast<std::uint8_t>(status), k);
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
