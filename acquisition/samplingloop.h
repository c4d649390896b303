#pragma once

#include "acquisition/portio.h"

#include <cstdint>

namespace la {

// The time-critical loop of a capture: reads the register at `statusPort` into
// out[1..9999], in reading order, and nothing else. The address is read anew for each
// sample; out[0] and out[10000] are not touched.
void readSamples(Inp32Fn inp32, const std::int16_t &statusPort, std::int16_t *out);

} // namespace la
