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

// Receives a capture as its changes: the first sample's levels, then each sample at which a
// chosen line changed, in reading order, then the end. The samples in between change nothing
// and are not passed on. A sample is a sample word (acquisition/channels.h); a read of the
// status register alone is one as it is.
class ChangeSink
{
public:
    virtual ~ChangeSink() = default;

    virtual void begin(const CaptureStart &start, SampleWord first) = 0;
    // A sample whose levels differ from the last one passed, `ns` after the first.
    virtual void change(std::int64_t ns, SampleWord sample) = 0;
    virtual void finish(const CaptureSummary &summary) = 0;
    // Nothing more to pass on for now: a chance to hand on what is held back.
    virtual void idle() {}
};

// The bits of the five status lines in a sample word.
inline constexpr SampleWord StatusLineBits = [] {
    SampleWord bits = 0;
    for (const ChannelWire &wire : ChannelWires)
        bits |= wire.mask;
    return bits;
}();

// A read of the status register alone as a sample word: its high byte is no register's.
constexpr SampleWord statusSample(std::int16_t status)
{
    return SampleWord{static_cast<std::uint8_t>(status)};
}

// Passes on the samples that change a chosen line (`lines`, their bits), and only those: the
// one way a capture, streamed or in memory, becomes its changes.
class ChangeKeeper
{
public:
    explicit ChangeKeeper(ChangeSink &sink, SampleWord lines = StatusLineBits)
        : m_sink(sink), m_lines(lines)
    {
    }

    void begin(const CaptureStart &start, SampleWord first)
    {
        m_last = first;
        m_sink.begin(start, first);
    }
    // A sample made `ns` after the first; true when it changed a line.
    bool keep(std::int64_t ns, SampleWord sample)
    {
        if (((sample ^ m_last) & m_lines) == 0)
            return false;
        m_last = sample;
        ++m_changes;
        m_sink.change(ns, sample);
        return true;
    }
    std::uint64_t changes() const { return m_changes; }
    ChangeSink &sink() { return m_sink; }

private:
    ChangeSink &m_sink;
    SampleWord m_lines;
    SampleWord m_last = 0;
    std::uint64_t m_changes = 0;
};

} // namespace la
