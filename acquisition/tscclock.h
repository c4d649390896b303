#pragma once

#include "acquisition/readclock.h"

#include <cstdint>
#include <string>

namespace la {

// Whether the processor's time-stamp counter can time a capture: it must be invariant (the
// flags constant_tsc and nonstop_tsc: one rate through every power state) and trusted by the
// kernel (tsc among the available clock sources, from which the kernel drops it once it
// finds it unstable or out of step between CPUs). `procRoot` and `sysRoot` stand for /proc
// and /sys.
struct TscSupport
{
    bool usable = false;
    bool rdtscp = false; // the read that waits for the port read; else lfence, then rdtsc
};
TscSupport detectTsc(const std::string &procRoot = "/proc", const std::string &sysRoot = "/sys");

// The counter, read once the port read before it has returned: rdtscp, or lfence and rdtsc.
std::int64_t tscStamp();
std::int64_t tscStampFenced();

// The counter and CLOCK_MONOTONIC read back to back: the tightest of a few tries, the stamp
// halfway between the counter reads around the clock's.
ClockPair tscPair();

// The clock a capture stamps its reads with: the time-stamp counter where detectTsc allows
// it, its rate measured over 0.2 ms at the first call; else monotonicNs.
ReadClock captureClock();

} // namespace la
