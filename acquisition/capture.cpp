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

// "1.04 µs", "31 µs", "2.35 ms": as precise as a reader of a pause needs.
std::string shortDuration(std::int64_t ns)
{
    const double us = static_cast<double>(ns) / 1e3;
    if (ns < 10'000)
        return fixedPoint(us, 2) + " µs";
    if (ns < 1'000'000)
        return fixedPoint(us, 0) + " µs";
    return fixedPoint(us / 1e3, 2) + " ms";
}

// The reads, their time and their pauses: "9999 reads in 10.43 ms, 1.04 µs each; no pauses".
std::string describeReads(const Capture &capture)
{
    if (capture.size() == 1)
        return "1 read; no read period measured (that takes two reads)";
    std::string text = std::to_string(capture.size()) + " reads";
    if (capture.elapsedSeconds > 0)
        text += " in " + duration(capture.elapsedSeconds);
    else if (capture.elapsedSeconds < 0)
        text += ", time not measured (no counter)";
    const ReadTiming &timing = capture.timing;
    if (capture.times.size() < 2)
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

// "real-time priority", "real-time priority 90% of the time", "ordinary priority: no
// permission for real-time"; empty when it is not known.
std::string describePriority(const ReadPriority &priority)
{
    if (!priority.whyNone.empty())
        return "ordinary priority: " + priority.whyNone;
    if (priority.realtimeShare <= 0)
        return {};
    if (priority.realtimeShare >= 1)
        return "real-time priority";
    // Down, so that only reads wholly at real-time priority are said to be.
    const long percent = std::clamp(std::lround(std::floor(priority.realtimeShare * 100)), 1L, 99L);
    return "real-time priority " + std::to_string(percent) + "% of the time";
}

} // namespace

std::string describeCapture(const Capture &capture)
{
    std::string text = describeReads(capture);
    if (const std::string priority = describePriority(capture.priority); !priority.empty())
        text += "; " + priority;
    return capture.source.empty() ? text : text + "; from " + capture.source;
}

} // namespace la
