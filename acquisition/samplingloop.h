#pragma once

#include "acquisition/portio.h"
#include "control/instrumentstate.h"

#include <cstdint>

namespace la {

class cPerfCounter;

// The time-critical loop of a capture: reads the register at `statusPort` into
// out[1..9999], in reading order, and nothing else. The address is read anew for each
// sample; out[0] and out[10000] are not touched.
void readSamples(Inp32Fn inp32, const std::int16_t &statusPort, std::int16_t *out);

// One timed capture: binds Inp32 (before the clock starts), resets `perf`, runs
// readSamples and returns perf.Elapsed(): the seconds the reads took, or -1 without a
// counter. Throws PortError when the library cannot be bound or reports a failed read; the
// contents of `out` are then meaningless.
double timedCapture(PortIo &port, cPerfCounter &perf, const std::int16_t &statusPort,
                    std::int16_t *out);

// Keeps a successful capture's reads 1..9999 as the instrument's samples.
void storeSamples(const std::int16_t *reads, Samples &samples);

} // namespace la
