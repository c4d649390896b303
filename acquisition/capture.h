#pragma once

#include "acquisition/readtiming.h"
#include "acquisition/realtime.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace la {

// Where a trigger condition held: the read (an index into Capture::reads) and the condition
// as the user wrote it.
struct TriggerMark
{
    std::size_t read = 0;
    std::string condition;
};

// One capture, as the port gave it: everything the window, logic-capture and the VCD file
// know of it comes from here. A plain value: copying it copies the reads.
struct Capture
{
    // The port's base address; the reads come from its status register (base + 1).
    std::uint16_t base = 0x378;
    // The wall-clock time of the first read: when the capture was made, whenever it is saved.
    std::chrono::system_clock::time_point firstReadAt;
    // What each read of the status register returned, in reading order (the low eight bits
    // are the register; a port library returns -1 for a read that failed).
    std::vector<std::int16_t> reads;
    // Seconds from the start of the first read to the end of the last, as the interval
    // timer measured them; -1 when the system has no counter.
    double elapsedSeconds = -1;
    // The time each read returned, in nanoseconds of CLOCK_MONOTONIC; empty when the reads
    // were not timed one by one.
    std::vector<std::int64_t> times;
    // How the times were spaced: median period and pauses (from measureTiming(times)).
    ReadTiming timing;
    // Which priority the reads had: the share of their time at real-time priority, or why
    // they had none; nothing said when neither is known.
    ReadPriority priority;
    // Where the trigger held, for a triggered capture.
    std::optional<TriggerMark> trigger;
    // Where the reads came from, as the port library names it: "the simulated probe", "the
    // port at 0xD010 through /dev/parport1"; empty when unknown.
    std::string source;

    std::size_t size() const { return reads.size(); }
};

// The capture in one line, as the time box's tooltip and logic-capture say it: "9999 reads
// in 10.43 ms, 1.04 µs each; 2 pauses, the longest 31 µs after read 4512; real-time priority;
// from the simulated probe".
std::string describeCapture(const Capture &capture);

} // namespace la
