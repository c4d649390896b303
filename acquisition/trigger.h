#pragma once

#include "acquisition/channels.h"

#include <cstdint>
#include <optional>
#include <string>

namespace la {

// A trigger condition: one or more terms that must all hold at the same read. Each term
// names a line (ch1..ch5, d0..d7, c0..c3) and what it does there: rise (low at the read
// before, high at this one), fall, edge (either), high or low; levels as the files write
// them, 1 = pin high, so the lines the port inverts are already inverted back. At most one
// edge term. Kept as masks over the sample word, so that testing a read costs a few
// instructions.
class TriggerCondition
{
public:
    // Parses "ch5:fall" or "ch1:high,d3:rise". On a malformed condition returns nothing and
    // sets `error` to one line saying what is wrong and what is allowed.
    static std::optional<TriggerCondition> parse(const std::string &text, std::string &error);

    const std::string &text() const { return m_text; }
    bool hasEdge() const { return m_beforeMask != 0 || m_changeMask != 0; }
    // The bits of the lines its terms watch.
    SampleWord lines() const { return m_mask | m_beforeMask | m_changeMask; }
    // Why the condition cannot be waited for when a capture reads only the lines `chosen`
    // (their bits): it watches others. Empty when it can.
    std::string notChosen(SampleWord chosen) const;

    // Whether the condition holds at a sample `now`, the sample before it being `previous`.
    // The first sample of all has none: an edge cannot hold there.
    bool holds(SampleWord previous, SampleWord now) const
    {
        return (now & m_mask) == m_value && (previous & m_beforeMask) == m_beforeValue &&
               ((now ^ previous) & m_changeMask) == m_changeMask;
    }
    bool holdsAtFirst(SampleWord now) const { return !hasEdge() && (now & m_mask) == m_value; }
    // The same for reads of the status register alone, of which only the low byte counts.
    bool holds(std::int16_t previous, std::int16_t status) const
    {
        return holds(SampleWord{static_cast<std::uint8_t>(previous)},
                     SampleWord{static_cast<std::uint8_t>(status)});
    }
    bool holdsAtFirst(std::int16_t status) const
    {
        return holdsAtFirst(SampleWord{static_cast<std::uint8_t>(status)});
    }

private:
    std::string m_text;
    SampleWord m_mask = 0;        // bits that must read...
    SampleWord m_value = 0;       // ...these values at the read
    SampleWord m_beforeMask = 0;  // and these bits...
    SampleWord m_beforeValue = 0; // ...these at the read before
    SampleWord m_changeMask = 0;  // a bit that must differ between the two (edge)
};

} // namespace la
