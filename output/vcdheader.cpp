#include "output/vcdheader.h"

#include "acquisition/channels.h"
#include "acquisition/elapsedformat.h"
#include "acquisition/parallelport.h"

#include <vector>

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

constexpr const char *RegisterNames[] = {"status", "data", "control"};
constexpr int RegisterOffsets[] = {StatusOffset, 0, ControlOffset};

// "a, b and c"
std::string listed(const std::vector<std::string> &items)
{
    std::string text = items[0];
    for (std::size_t i = 1; i < items.size(); ++i)
        text += (i + 1 == items.size() ? " and " : ", ") + items[i];
    return text;
}

// What a sample reads: "the status register at 0x379 (port 0x378); 1 = line high.", or
// for two or three registers "the status and data registers at 0x379 and 0x378 (port
// 0x378), in that order, the sample's time taken after the last; 1 = line high."
std::string registersRead(std::uint16_t base, SampleWord chosen)
{
    const SampleRegisters registers = SampleRegisters::of(chosen);
    std::vector<std::string> names, addresses;
    for (int i = 0; i < registers.count; ++i) {
        const auto reg = std::size_t(registers.regs[std::size_t(i)]);
        names.emplace_back(RegisterNames[reg]);
        addresses.push_back(hexAddress(static_cast<std::uint16_t>(base + RegisterOffsets[reg])));
    }
    const std::string port = " (port " + hexAddress(base) + ")";
    if (registers.count == 1)
        return "the " + names[0] + " register at " + addresses[0] + port + "; 1 = line high.";
    return "the " + listed(names) + " registers at " + listed(addresses) + port +
           ", in that order, the sample's time taken after the last; 1 = line high.";
}

bool oneRegister(SampleWord chosen)
{
    return SampleRegisters::of(chosen).count == 1;
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
    return "The reads ran at real-time priority (SCHED_FIFO) " +
           std::to_string(realtimePercent(priority)) + "% of the time.";
}

} // namespace

std::string vcdFigureComments(const CaptureSummary &summary, SampleWord chosen)
{
    const bool one = summary.reads == 1;
    const std::string what = oneRegister(chosen)
                                 ? (one ? " read of " : " reads of ")
                                 : (one ? " sample, a read of " : " samples, each a read of ");
    std::string text =
        comment(std::to_string(summary.reads) + what + registersRead(summary.base, chosen));
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

std::string vcdStreamComments(const CaptureStart &start, SampleWord chosen)
{
    std::string text = comment((oneRegister(chosen) ? "Reads of " : "Samples, each a read of ") +
                               registersRead(start.base, chosen));
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

std::string describeLine(const ChosenLine &chosen)
{
    const PortLine &line = PortLines[chosen.line];
    std::string text = chosen.name + ": ";
    if (chosen.name != line.id)
        text += std::string(line.id) + ", ";
    text += std::string(RegisterNames[std::size_t(line.reg)]) + " bit " + std::to_string(line.bit);
    // The port inverts these lines; the wire shows the line itself.
    if (line.inverted)
        text += " (" + std::string(line.signal) + ", read inverted)";
    return text + ", connector pin " + std::to_string(line.pin);
}

} // namespace la
