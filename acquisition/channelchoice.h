#pragma once

#include "acquisition/channels.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace la {

// The registers a sample reads, in the order it reads them (status, then data, then
// control), and how their reads make a sample word: the first into the ring's read, the
// others into its extra (the second in the low byte, the third in the high one).
struct SampleRegisters
{
    std::array<PortRegister, 3> regs{};
    int count = 0;

    static constexpr SampleRegisters of(SampleWord chosen)
    {
        SampleRegisters registers;
        for (const PortRegister reg :
             {PortRegister::Status, PortRegister::Data, PortRegister::Control})
            if ((chosen & registerBits(reg)) != 0)
                registers.regs[std::size_t(registers.count++)] = reg;
        return registers;
    }
    constexpr SampleWord word(std::int16_t first, std::uint16_t extra) const
    {
        SampleWord word = SampleWord{static_cast<std::uint8_t>(first)} << registerShift(regs[0]);
        if (count > 1)
            word |= SampleWord(extra & 0xFF) << registerShift(regs[1]);
        if (count > 2)
            word |= SampleWord(extra >> 8) << registerShift(regs[2]);
        return word;
    }
};

// One line a capture reads, and the name its wire carries in the files.
struct ChosenLine
{
    std::size_t line; // an index into PortLines
    std::string name; // its id unless the user named it
    bool operator==(const ChosenLine &) const = default;
};

// The lines a capture reads, in the order the user listed them: the files show the wires in
// that order, so a bus can be written most significant bit first (d7-d0). The reads do not
// follow it: they take the registers the lines need, status, data, control.
class ChannelChoice
{
public:
    // The five status lines, ch1..ch5, under their own names: the capture without a choice.
    ChannelChoice();

    // Parses a list such as "ch5=RX,d0-d7,c0=CS": lines ch1..ch5, d0..d7, c0..c3, each alone
    // or in a range within one register (either way round), each at most once, a single line
    // with a name if wanted. On a wrong list returns nothing and sets `error` to one line that
    // says what is wrong and what is allowed.
    static std::optional<ChannelChoice> parse(const std::string &text, std::string &error);

    const std::vector<ChosenLine> &lines() const { return m_lines; }
    // The chosen lines' bits in a sample word.
    SampleWord bits() const { return m_bits; }
    // Whether a sample needs the register read.
    bool reads(PortRegister reg) const { return (m_bits & registerBits(reg)) != 0; }
    SampleRegisters registers() const { return SampleRegisters::of(m_bits); }

private:
    std::vector<ChosenLine> m_lines;
    SampleWord m_bits = 0;
};

// The line an id names ("ch5", "d0", "c3"), or nothing. For an id of one of the three kinds
// whose number names no line, `error` says which lines there are ("there is no data line 8
// in 'd8:rise': the data lines are d0 to d7", `within` being quoted); for anything else it
// is left empty.
std::optional<std::size_t> parseLineId(const std::string &id, const std::string &within,
                                       std::string &error);

// The lines whose bits are set in `bits`, as messages name them, runs in a register shortened
// to ranges: "ch5, d0-d7 and c2".
std::string lineNames(SampleWord bits);

} // namespace la
