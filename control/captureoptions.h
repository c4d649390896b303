#pragma once

#include "control/commandline.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace la {

// What the command line asks of logic-capture: one capture from the port at `base`, written
// as VCD to `output`, or to standard output when that is empty.
struct CaptureOptions : PortSource
{
    enum class Action { Capture, Help, Version, Error };

    // The three base addresses a parallel port has on a PC.
    static constexpr std::uint16_t Bases[] = {0x378, 0x3BC, 0x278};

    Action action = Action::Capture;
    std::uint16_t base = 0x378;
    std::string output; // the VCD file, or empty for standard output
    std::string error;  // for Action::Error: one line that says what is wrong

    static CaptureOptions parse(const std::vector<std::string> &arguments);
    static std::string usage(const std::string &program);

    // One of the three bases written in hex, with or without 0x and in either case
    // ("0x3bc", "3BC"); nothing for anything else.
    static std::optional<std::uint16_t> parseBase(const std::string &text);
};

} // namespace la
