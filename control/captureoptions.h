#pragma once

#include "acquisition/trigger.h"
#include "control/commandline.h"
#include "control/state/instrumentstate.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace la {

// What the command line asks of logic-capture: one capture of `samples` reads from the port
// at `base`, around the first moment `trigger` holds if one is given, written as VCD to
// `output`, or to standard output when that is empty or "-".
struct CaptureOptions : CommandLine
{
    static constexpr std::size_t MostSamples = 100'000'000;
    static constexpr double MostTimeout = 86400; // a day

    std::uint16_t base = 0x378;
    std::string output;                // the VCD file, or empty for standard output
    std::size_t samples = SampleCount; // as many as the window reads
    std::optional<TriggerCondition> trigger;
    int pretrigger = 10;            // percent of the samples from before the trigger
    double timeoutSeconds = 10;     // how long to wait for the trigger
    std::string timeoutText = "10"; // as the user wrote it, for messages

    static CaptureOptions parse(const std::vector<std::string> &arguments);
    static std::string usage(const std::string &program);

    // One of the legacy bases written in hex, with or without 0x and in either case
    // ("0x3bc", "3BC"); nothing for anything else.
    static std::optional<std::uint16_t> parseBase(const std::string &text);
    bool toStandardOutput() const { return output.empty() || output == "-"; }
};

} // namespace la
