#pragma once

#include "acquisition/capturesummary.h"
#include "acquisition/channels.h"

#include <cstdint>
#include <optional>
#include <string>

namespace la {

// What a writer knows of a capture before its first change.
struct CaptureStart
{
    std::uint16_t base = 0x378;
    // The local time of the first read kept, as "2024-05-01 14:03:27".
    std::string date;
    // The read period the time unit is chosen for: the median of a short burst of reads
    // made before the capture, or of the whole capture when its reads are in memory.
    double periodNs = 1000;
    // Where the trigger held, known once the reads before it are chosen.
    std::optional<TriggerFigures> trigger;
    // All the figures, when they are known before the first change (a capture in memory);
    // otherwise they come to finish().
    const CaptureSummary *figures = nullptr;
};

// Receives a capture as its changes: the first read's levels, then each read at which a
// channel's line changed, in reading order, then the end. The reads in between change
// nothing and are not passed on.
class ChangeSink
{
public:
    virtual ~ChangeSink() = default;

    virtual void begin(const CaptureStart &start, std::int16_t firstStatus) = 0;
    // A read whose levels differ from the last one passed, `ns` after the first read.
    virtual void change(std::int64_t ns, std::int16_t status) = 0;
    virtual void finish(const CaptureSummary &summary) = 0;
    // Nothing more to pass on for now: a chance to hand on what is held back.
    virtual void idle() {}
};

// Whether two reads of the status register differ on a channel's line.
constexpr bool channelsDiffer(std::int16_t a, std::int16_t b)
{
    int channelBits = 0;
    for (const ChannelWire &wire : ChannelWires)
        channelBits |= wire.mask;
    return ((a ^ b) & channelBits) != 0;
}

// Passes on the reads that change a line, and only those: the one way a capture, streamed
// or in memory, becomes its changes.
class ChangeKeeper
{
public:
    explicit ChangeKeeper(ChangeSink &sink) : m_sink(sink) {}

    void begin(const CaptureStart &start, std::int16_t firstStatus)
    {
        m_last = firstStatus;
        m_sink.begin(start, firstStatus);
    }
    // A read made `ns` after the first; true when it changed a line.
    bool keep(std::int64_t ns, std::int16_t status)
    {
        if (!channelsDiffer(status, m_last))
            return false;
        m_last = status;
        ++m_changes;
        m_sink.change(ns, status);
        return true;
    }
    std::uint64_t changes() const { return m_changes; }
    ChangeSink &sink() { return m_sink; }

private:
    ChangeSink &m_sink;
    std::int16_t m_last = 0;
    std::uint64_t m_changes = 0;
};

} // namespace la
