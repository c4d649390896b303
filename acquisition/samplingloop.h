#pragma once

#include "acquisition/capture.h"
#include "acquisition/portio.h"
#include "control/state/instrumentstate.h"

#include <cstddef>
#include <cstdint>

namespace la {

class cPerfCounter;

// The time-critical loop of a capture: `count` reads of the register at `statusPort` into
// out[0..count-1], in reading order, and nothing else.
void readSamples(Inp32Fn inp32, std::int16_t statusPort, std::int16_t *out, std::size_t count);

// One timed capture of `count` reads of the status register at `statusPort`: binds Inp32
// (before the clock starts), makes room for the reads, resets `perf`, runs readSamples and
// takes perf.Elapsed(), the seconds the reads took (-1 without a counter). Throws PortError
// when the library cannot be bound or reports a failed read.
Capture readCapture(PortIo &port, cPerfCounter &perf, std::int16_t statusPort, std::size_t count);

// Keeps the first 9999 reads of a capture as the instrument's samples 1..9999.
void storeSamples(const Capture &capture, Samples &samples);

} // namespace la
