#pragma once

#include "acquisition/channelchoice.h"
#include "acquisition/parallelport.h"
#include "acquisition/streamkeeper.h"
#include "acquisition/trigger.h"
#include "cli/commandline.h"
#include "state/instrumentstate.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace la {

// What the command line asks of logic-capture: one capture of the lines `channels` from the
// port at portBase(), of `samples` reads, of `timeNs`, or without end, around the first
// moment `trigger` holds if one is given, written as VCD or CSV to `output`, or to standard
// output when that is empty or "-"; or, with --list-ports, the list of the machine's
// parallel ports.
struct CaptureOptions : CommandLine
{
    static constexpr std::uint64_t MostSamples = 1'000'000'000'000;
    static constexpr std::int64_t MostTimeNs = 1000LL * 3600 * 1'000'000'000; // 1000 h
    static constexpr double MostTimeout = 86400;                              // a day
    // The reads on their way from the port to the file: about a second of a legacy port's,
    // 20 MiB. Half of them at most are kept from before a trigger.
    static constexpr std::uint64_t RingReads = 1 << 21;
    static constexpr std::uint64_t MostBeforeTrigger = RingReads / 2;

    enum class Length
    {
        Samples,
        Time,
        Continuous
    };
    enum class Format
    {
        Vcd,
        Csv
    };

    bool listPorts = false;
    std::string output; // the file, or empty for standard output
    Format format = Format::Vcd;
    Length length = Length::Samples;
    std::uint64_t samples = SampleCount; // as many as the window reads
    std::int64_t timeNs = 0;
    std::string timeText;   // as the user wrote it, for messages
    ChannelChoice channels; // the five status lines unless -C/--channels says
    std::optional<TriggerCondition> trigger;
    int pretrigger = 10;            // percent of the reads (or the time) from before the trigger
    double timeoutSeconds = 10;     // how long to wait for the trigger
    std::string timeoutText = "10"; // as the user wrote it, for messages

    static CaptureOptions parse(const std::vector<std::string> &arguments,
                                const PortLister &listPorts = {});
    static std::string usage(const std::string &program);

    // The base given with --base, else the first legacy one.
    std::uint16_t portBase() const { return base.value_or(PortBases[0]); }
    // The status register's address as a port library takes it: a signed 16-bit number,
    // negative for a base at 0x8000 and above (0xD011 is -12271).
    std::int16_t statusPort() const { return static_cast<std::int16_t>(portBase() + StatusOffset); }
    bool toStandardOutput() const { return output.empty() || output == "-"; }
    // What the capture keeps, dated by the clocks as they stand now.
    StreamRequest streamRequest() const;
};

} // namespace la
