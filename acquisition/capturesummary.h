#pragma once

#include "acquisition/readtiming.h"
#include "acquisition/realtime.h"

#include <cstdint>
#include <optional>
#include <string>

namespace la {

struct Capture;

// Where a trigger held: the read (from 0, among the reads kept), the condition as the user
// wrote it, when the read was made (nanoseconds after the first read kept) and the gap from
// the read before it, inside which the condition may have come true.
struct TriggerFigures
{
    std::uint64_t read = 0;
    std::string condition;
    std::int64_t atNs = 0;
    std::int64_t gapBeforeNs = 0;
};

// What is known of a capture once it has ended, whether its reads are in memory or went by
// as a stream: what the capture line and a file's header tell.
struct CaptureSummary
{
    std::uint16_t base = 0x378;
    std::uint64_t reads = 0;
    // From the first read to one median period after the last; -1 when not measured.
    double elapsedSeconds = -1;
    // Each read timed on its own; when not, read n sits at n x periodNs.
    bool timed = true;
    // The median read period, or the even spacing of reads not timed; 1000 (a legacy port's
    // read) when nothing could be measured.
    double periodNs = 1000;
    ReadTiming timing;
    // When the read before the longest pause was made, in nanoseconds from the first.
    std::int64_t longestPauseAtNs = 0;
    // Where a file of the capture ends: one period after the last read.
    std::int64_t endNs = 0;
    std::optional<TriggerFigures> trigger;
    // Where the reads came from, as the port library names it; empty when unknown.
    std::string source;
    // Which priority the reads had; nothing said when not known.
    ReadPriority priority;
    // What ended the capture before the length asked for, as a phrase: "ended by SIGINT",
    // "ended early: ...". Empty when it ran its length.
    std::string ending;

    // Whether the gap before the trigger read was a pause.
    bool triggerAfterPause() const
    {
        return trigger && timing.medianPeriodNs > 0 &&
               trigger->gapBeforeNs > PauseFactor * timing.medianPeriodNs;
    }
};

// The figures of a capture in memory.
CaptureSummary summarize(const Capture &capture);

// The capture in one line, as the time box's tooltip and logic-capture say it: "9999 reads
// in 10.43 ms, 1.04 µs each; 2 pauses, the longest 31 µs after read 4512; from the
// simulated probe".
std::string describeSummary(const CaptureSummary &summary);

// A duration as precise as a reader of a pause needs: "1.04 µs", "31 µs", "2.35 ms".
std::string shortDuration(std::int64_t ns);

// A share of the reads' time at real-time priority between 0 and 1 as whole percent, 1 to
// 99, rounded down, so that only reads wholly at real-time priority are said to be.
int realtimePercent(const ReadPriority &priority);

// "real-time priority", "real-time priority 90% of the time", "ordinary priority: no
// permission for real-time"; empty when it is not known.
std::string describePriority(const ReadPriority &priority);

} // namespace la
