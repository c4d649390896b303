#pragma once

#include "control/commandline.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace la {

// What the command line asks of logic-capture: one capture from the port at `base`, written
// as VCD to `output`, or to standard output when that is empty.
struct CaptureOptions : CommandLine
{
    std::uint16_t base = 0x378;
    std::string output; // the VCD file, or empty for standard output

    static CaptureOptions parse(const std::vector<std::string> &arguments);
    static std::string usage(const std::string &program);

    // One of the legacy bases written in hex, with or without 0x and in either case
    // ("0x3bc", "3BC"); nothing for anything else.
    static std::optional<std::uint16_t> parseBase(const std::string &text);
};

} // namespace la
