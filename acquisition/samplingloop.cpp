#include "acquisition/samplingloop.h"

#include "acquisition/parallelport.h"
#include "acquisition/perfcounter.h"
#include "acquisition/realtime.h"

#include <algorithm>

namespace la {

void readSamples(Inp32Fn inp32, std::int16_t statusPort, std::int16_t *out, std::int64_t *times,
                 std::size_t count, ReadClock clock)
{
    for (std::size_t i = 0; i != count; ++i) {
        out[i] = inp32(statusPort);
        // After the read: the moment the register's value was on the lines is within the
        // read, not before it.
        times[i] = clock();
    }
}

Capture readCapture(PortIo &port, cPerfCounter &perf, ReadClock clock, std::int16_t statusPort,
                    std::size_t count)
{
    Capture capture;
    capture.base = static_cast<std::uint16_t>(statusPort - StatusOffset);
    // Allocated and touched here, so that no page fault falls inside the reads.
    capture.reads.assign(count, 0);
    capture.times.assign(count, 0);
    // Bound first, so that loading the library never counts as reading time.
    const Inp32Fn inp32 = port.inp32();
    {
        const RealtimeSection realtime({{capture.reads.data(), count * sizeof(std::int16_t)},
                                        {capture.times.data(), count * sizeof(std::int64_t)}});
        perf.Reset();
        readSamples(inp32, statusPort, capture.reads.data(), capture.times.data(), count, clock);
        capture.elapsedSeconds = perf.Elapsed();
    }
    if (const std::string failure = port.takeLastError(); !failure.empty())
        throw PortError(failure);
    capture.timing = measureTiming(capture.times);
    return capture;
}

void storeSamples(const Capture &capture, Samples &samples)
{
    const std::size_t stored = std::min<std::size_t>(capture.size(), SampleCount);
    for (std::size_t i = 0; i < stored; ++i)
        samples[FirstSample + static_cast<int>(i)] = capture.reads[i];
}

} // namespace la
