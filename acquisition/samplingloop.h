#pragma once

#include "acquisition/capture.h"
#include "acquisition/portio.h"
#include "acquisition/readclock.h"
#include "control/state/instrumentstate.h"

#include <cstddef>
#include <cstdint>

namespace la {

class cPerfCounter;

// The time-critical loop of a capture: `count` reads of the register at `statusPort` into
// out[0..count-1], in reading order, each followed by the time it returned, from `clock`,
// into times[0..count-1]. Nothing else: no allocation, no output, no lock.
void readSamples(Inp32Fn inp32, std::int16_t statusPort, std::int16_t *out, std::int64_t *times,
                 std::size_t count, ReadClock clock);

// One timed capture of `count` reads of the status register at `statusPort`. Binds Inp32
// and makes and touches room for the reads and their times first, then (locked in memory
// and at real-time priority where the system allows it) resets `perf`, runs readSamples and
// takes perf.Elapsed(), the seconds the reads took (-1 without a counter). Afterwards the
// capture's timing is measured from the times. Throws PortError when the library cannot be
// bound or reports a failed read.
Capture readCapture(PortIo &port, cPerfCounter &perf, ReadClock clock, std::int16_t statusPort,
                    std::size_t count);

// Keeps the first 9999 reads of a capture as the instrument's samples 1..9999.
void storeSamples(const Capture &capture, Samples &samples);

} // namespace la
