#include "acquisition/samplingloop.h"

#include "control/instrumentstate.h"

namespace la {

void readSamples(Inp32Fn inp32, const std::int16_t &statusPort, std::int16_t *out)
{
    for (int i = FirstSample; i != LastSample + 1; ++i)
        out[i] = inp32(statusPort);
}

} // namespace la
