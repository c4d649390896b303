#include "output/vcdheader.h"

#include "acquisition/channels.h"
#include "acquisition/elapsedformat.h"
#include "acquisition/parallelport.h"

#include <bit>

namespace la {

namespace {

std::string us(double ns)
{
    return fixedPoint(ns / 1e3, 3) + " us";
}

std::string ms(double ns)
{
    return fixedPoint(ns / 1e6, 3) + " ms";
}

// A capture's length: in milliseconds up to ten seconds, in seconds beyond.
std::string length(double seconds)
{
    return seconds < 10 ? ms(seconds * 1e9) : fixedPoint(seconds, 3) + " s";
}

std::string comment(const std::string &text)
{
    return "$comment " + text + " $end\n";
}

std::string registerRead(std::uint16_t base)
{
    const auto status = static_cast<std::uint16_t>(base + StatusOffset);
    return "the status register at " + hexAddress(status) + " (port " + hexAddress(base) +
           "); 1 = line high.";
}

std::string describeTimes(const CaptureSummary &summary)
{
    if (summary.reads == 1)
        return "A single read, which has no period to measure; its levels stand at time 0.";
    const std::string measured =
        summary.elapsedSeconds > 0
            ? "Capture time " + length(summary.elapsedSeconds) + " as measured"
            : "Capture time not measured (no counter)";
    if (!summary.timed)
        return measured + "; the reads were not timed one by one: read n sits at n x " +
               us(summary.periodNs) + ".";
    return measured + "; median read period " + us(summary.periodNs) +
           ". Each change is written at the time of the read that first saw it.";
}

std::string describePauses(const CaptureSummary &summary)
{
    const ReadTiming &timing = summary.timing;
    const std::string pause = "longer than " + std::to_string(PauseFactor) + " median periods";
    if (timing.pauses == 0)
        return "No pauses: no gap between two reads " + pause + ".";
    return std::to_string(timing.pauses) + (timing.pauses == 1 ? " pause " : " pauses ") + pause +
           "; the longest " + us(static_cast<double>(timing.longestPauseNs)) + " after read " +
           std::to_string(timing.longestPauseAfter) + " (at " +
           ms(double(summary.longestPauseAtNs)) +
           "). The reads say nothing of the lines during a pause.";
}

// Where the trigger held; `pauseBefore`: the gap before its read was a pause.
std::string describeTrigger(const TriggerFigures &trigger, bool pauseBefore)
{
    std::string text = "Trigger " + trigger.condition + " held at read " +
                       std::to_string(trigger.read + 1) + ", " + ms(double(trigger.atNs)) +
                       " after the first; the reads before it came before it held.";
    if (pauseBefore)
        text += " Its read came just after a pause of " + us(double(trigger.gapBeforeNs)) +
                ": the condition may have come true at any moment of it.";
    return text;
}

// A sentence on the reads' priority; empty when it is not known.
std::string priorityComment(const ReadPriority &priority)
{
    if (!priority.whyNone.empty())
        return "The reads ran at ordinary priority: " + priority.whyNone + ".";
    if (priority.realtimeShare <= 0)
        return {};
    if (priority.realtimeShare >= 1)
        return "The reads ran at real-time priority (SCHED_FIFO) throughout.";
    // As the capture line says it: the share of the reads' time, rounded down.
    const std::string line = describePriority(priority);
    return "The reads ran at " + line.substr(0, line.find(' ', 10)) + " (SCHED_FIFO)" +
           line.substr(line.find(' ', 10)) + ".";
}

} // namespace

std::string vcdFigureComments(const CaptureSummary &summary)
{
    std::string text =
        comment(std::to_string(summary.reads) + (summary.reads == 1 ? " read of " : " reads of ") +
                registerRead(summary.base));
    text += comment(describeTimes(summary));
    if (summary.timed && summary.reads > 1)
        text += comment(describePauses(summary));
    if (summary.trigger)
        text += comment(describeTrigger(*summary.trigger, summary.triggerAfterPause()));
    if (const std::string priority = priorityComment(summary.priority); !priority.empty())
        text += comment(priority);
    if (!summary.ending.empty())
        text += comment("This capture " + summary.ending + ".");
    return text;
}

std::string vcdStreamComments(const CaptureStart &start)
{
    std::string text = comment("Reads of " + registerRead(start.base));
    text += comment("Written as the capture ran; each change is written at the time of the "
                    "read that first saw it. The count of reads, the capture time, the median "
                    "read period and the pauses are known only at the end, and go to standard "
                    "error.");
    if (start.trigger) {
        const bool pauseBefore = start.trigger->gapBeforeNs > PauseFactor * start.periodNs;
        text += comment(describeTrigger(*start.trigger, pauseBefore));
    }
    return text;
}

std::string describeChannel(std::size_t k)
{
    const ChannelWire &wire = ChannelWires[k];
    const int bit = std::countr_zero(wire.mask);
    std::string text = "ch" + std::to_string(k + 1) + ": status bit " + std::to_string(bit);
    // The port inverts Busy; the wire shows the line itself.
    if (wire.inverted)
        text += " (Busy, read inverted)";
    return text + ", connector pin " + std::to_string(wire.pin);
}

} // namespace la
