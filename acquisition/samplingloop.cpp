#include "acquisition/samplingloop.h"

#include "acquisition/perfcounter.h"
#include "control/instrumentstate.h"

namespace la {

void readSamples(Inp32Fn inp32, const std::int16_t &statusPort, std::int16_t *out)
{
    for (int i = FirstSample; i != LastSample + 1; ++i)
        out[i] = inp32(statusPort);
}

double timedCapture(PortIo &port, cPerfCounter &perf, const std::int16_t &statusPort,
                    std::int16_t *out)
{
    // Bound first, so that loading the library never counts as reading time.
    const Inp32Fn inp32 = port.inp32();
    perf.Reset();
    readSamples(inp32, statusPort, out);
    const double elapsed = perf.Elapsed();
    if (const std::string failure = port.takeLastError(); !failure.empty())
        throw PortError(failure);
    return elapsed;
}

void storeSamples(const std::int16_t *reads, Samples &samples)
{
    for (int i = FirstSample; i <= LastSample; ++i)
        samples[i] = reads[i];
}

} // namespace la
