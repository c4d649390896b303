#pragma once

#include "acquisition/readclock.h"

#include <cstdint>

namespace la {

// Turns a capture's stamps into nanoseconds of CLOCK_MONOTONIC. A plain clock's stamp is its
// own time. A counter's stamps are placed by pairs (stamp, time) taken around the capture, or
// now and then as a writer goes, on any thread but the reading one: a stamp between two pairs
// lies on the straight line between them, one after the newest pair on the line from the
// first pair through the newest (the counter's rate over the longest span known). With one
// pair only, the clock's nominal rate carries on from it.
//
// Stamps asked for in order never get times that run backwards. When a new pair shows that
// stamps beyond the newest pair were placed too late, the line goes on from the last time
// given out to the new pair, never below it: take a fresh pair before converting past the
// newest one, and no stamp is ever placed by anything but two pairs around it.
class ClockCalibration
{
public:
    // For a counter, the first pair is taken here.
    explicit ClockCalibration(const ReadClock &clock);
    // A counter of nominal rate `ticksPerNs` and its first pair, taken by the caller.
    ClockCalibration(double ticksPerNs, ClockPair first);

    // Takes a pair now, with the clock's own pair function; nothing for a plain clock.
    void refresh();
    // Adds a pair; one that is not later than the newest, in stamp and in time, is ignored.
    void add(ClockPair pair);
    // The time of `stamp` in nanoseconds of CLOCK_MONOTONIC.
    std::int64_t toNs(std::int64_t stamp);
    // The newest pair's stamp: later stamps are placed by extrapolation.
    std::int64_t newestStamp() const;

private:
    std::int64_t place(std::int64_t stamp) const;

    ClockPair (*m_pair)() = nullptr;
    double m_ticksPerNs = 1.0;
    int m_pairs = 0; // 0 for a plain clock; 2 means two or more
    ClockPair m_first;
    ClockPair m_from; // where the line to the newest pair starts
    ClockPair m_newest;
    double m_segmentRate = 1.0; // nanoseconds per tick from m_from to m_newest
    double m_meanRate = 1.0;    // and from the first pair to the newest
    // The latest stamp given a time, and that time.
    bool m_given = false;
    ClockPair m_last;
};

} // namespace la
