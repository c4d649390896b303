#include "acquisition/capturesummary.h"

#include "acquisition/capture.h"
#include "acquisition/elapsedformat.h"

#include <algorithm>
#include <cmath>

namespace la {

namespace {

// "10.43 ms" up to ten seconds, "12.35 s" beyond.
std::string duration(double seconds)
{
    if (seconds < 10.0)
        return fixedPoint(seconds * 1e3, 2) + " ms";
    return fixedPoint(seconds, 2) + " s";
}

// The reads, their time and their pauses: "9999 reads in 10.43 ms, 1.04 µs each; no pauses".
std::string describeReads(const CaptureSummary &summary)
{
    if (summary.reads == 1)
        return "1 read; no read period measured (that takes two reads)";
    std::string text = std::to_string(summary.reads) + " reads";
    if (summary.elapsedSeconds > 0)
        text += " in " + duration(summary.elapsedSeconds);
    else if (summary.elapsedSeconds < 0)
        text += ", time not measured (no counter)";
    const ReadTiming &timing = summary.timing;
    if (!summary.timed || summary.reads < 2)
        return text;
    text += ", " + shortDuration(timing.medianPeriodNs) + " each; ";
    if (timing.pauses == 0)
        return text + "no pauses";
    const std::string where = " after read " + std::to_string(timing.longestPauseAfter);
    if (timing.pauses == 1)
        return text + "1 pause of " + shortDuration(timing.longestPauseNs) + where;
    return text + std::to_string(timing.pauses) + " pauses, the longest " +
           shortDuration(timing.longestPauseNs) + where;
}

} // namespace

std::string shortDuration(std::int64_t ns)
{
    const double us = static_cast<double>(ns) / 1e3;
    if (ns < 10'000)
        return fixedPoint(us, 2) + " µs";
    if (ns < 1'000'000)
        return fixedPoint(us, 0) + " µs";
    return fixedPoint(us / 1e3, 2) + " ms";
}

int realtimePercent(const ReadPriority &priority)
{
    return int(std::clamp(std::lround(std::floor(priority.realtimeShare * 100)), 1L, 99L));
}

std::string describePriority(const ReadPriority &priority)
{
    if (!priority.whyNone.empty())
        return "ordinary priority: " + priority.whyNone;
    if (priority.realtimeShare <= 0)
        return {};
    if (priority.realtimeShare >= 1)
        return "real-time priority";
    return "real-time priority " + std::to_string(realtimePercent(priority)) + "% of the time";
}

CaptureSummary summarize(const Capture &capture)
{
    CaptureSummary summary;
    const std::size_t count = capture.size();
    summary.base = capture.base;
    summary.reads = count;
    summary.elapsedSeconds = capture.elapsedSeconds;
    summary.timed = count > 0 && capture.times.size() == count;
    summary.timing = capture.timing;
    summary.source = capture.source;
    summary.priority = capture.priority;
    if (summary.timed && capture.timing.medianPeriodNs > 0)
        summary.periodNs = double(capture.timing.medianPeriodNs);
    else if (capture.elapsedSeconds > 0 && count > 0)
        summary.periodNs = capture.elapsedSeconds * 1e9 / double(count);
    // The time of read i (from 0), from the first.
    auto at = [&](std::size_t i) {
        return summary.timed ? capture.times[i] - capture.times[0]
                             : std::int64_t(double(i) * summary.periodNs);
    };
    if (count > 0) {
        summary.endNs = summary.timed ? at(count - 1) + std::int64_t(summary.periodNs)
                                      : std::int64_t(double(count) * summary.periodNs);
    }
    if (capture.timing.longestPauseAfter > 0)
        summary.longestPauseAtNs = at(capture.timing.longestPauseAfter - 1);
    if (capture.trigger && capture.trigger->read < count) {
        const std::size_t read = capture.trigger->read;
        summary.trigger = TriggerFigures{read, capture.trigger->condition, at(read),
                                         read > 0 ? at(read) - at(read - 1) : 0};
    }
    return summary;
}

std::string describeSummary(const CaptureSummary &summary)
{
    std::string text = describeReads(summary);
    if (summary.trigger) {
        const TriggerFigures &trigger = *summary.trigger;
        text +=
            "; trigger " + trigger.condition + " held at read " + std::to_string(trigger.read + 1);
        if (summary.triggerAfterPause())
            text += " just after a pause of " + shortDuration(trigger.gapBeforeNs) +
                    ", at any moment of which it may have come true";
    }
    if (const std::string priority = describePriority(summary.priority); !priority.empty())
        text += "; " + priority;
    if (!summary.source.empty())
        text += "; from " + summary.source;
    if (!summary.ending.empty())
        text += "; " + summary.ending;
    return text;
}

} // namespace la
