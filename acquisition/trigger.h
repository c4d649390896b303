#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace la {

// A trigger condition: one or more terms that must all hold at the same read. Each term
// names a channel and what its line does there: rise (low at the read before, high at this
// one), fall, edge (either), high or low; levels as the VCD writes them, 1 = line high, so
// channel 3 is already inverted back. At most one edge term. Kept as masks over the raw
// status byte, so that testing a read costs a few instructions.
class TriggerCondition
{
public:
    // Parses "ch5:fall" or "ch1:high,ch5:fall". On a malformed condition returns nothing and
    // sets `error` to one line saying what is wrong and what is allowed.
    static std::optional<TriggerCondition> parse(const std::string &text, std::string &error);

    const std::string &text() const { return m_text; }
    bool hasEdge() const { return m_beforeMask != 0 || m_changeMask != 0; }

    // Whether the condition holds at a read of `status`, the read before it being
    // `previous`. The first read of all has none: an edge cannot hold there.
    bool holds(std::int16_t previous, std::int16_t status) const
    {
        const unsigned now = static_cast<std::uint8_t>(status);
        const unsigned before = static_cast<std::uint8_t>(previous);
        return (now & m_mask) == m_value && (before & m_beforeMask) == m_beforeValue &&
               ((now ^ before) & m_changeMask) == m_changeMask;
    }
    bool holdsAtFirst(std::int16_t status) const
    {
        return !hasEdge() && (static_cast<std::uint8_t>(status) & m_mask) == m_value;
    }

private:
    std::string m_text;
    unsigned m_mask = 0;        // status bits that must read...
    unsigned m_value = 0;       // ...these values at the read
    unsigned m_beforeMask = 0;  // and these bits...
    unsigned m_beforeValue = 0; // ...these at the read before
    unsigned m_changeMask = 0;  // a bit that must differ between the two (edge)
};

} // namespace la
