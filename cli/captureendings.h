#pragma once

#include "acquisition/channelchoice.h"
#include "acquisition/samplingloop.h"
#include "acquisition/streamreader.h"

#include <string>

namespace la {

// What logic-capture says of the ways a streamed capture ends: the phrase the capture line
// and the header end with, and the one message of each ending that is not the one asked for.

// "ended by SIGINT (Ctrl-C)", "ended early: ..."; empty for the length asked for.
std::string endingPhrase(StreamEnd ending, int signal);

// Said at once when the reads stopped because the output fell behind, `seconds` in.
std::string fellBehindMessage(double seconds);
// A read given up; `written`: the file holds the reads before it, else nothing was written.
std::string readHungMessage(const std::string &library, bool written);
// The port set up for the capture could not be put back: its library is held by a read.
std::string restoreHungMessage(const std::string &library, std::uint16_t base);
// The trigger did not hold in time; `reads` were made.
std::string triggerTimeoutMessage(const std::string &trigger, const std::string &timeout,
                                  std::uint64_t reads);
// A read failed: the port library's own message, or one for a library that gave none, which
// names the registers a sample reads (`registers`, of the port at `base`).
std::string readFailedMessage(const std::string &libraryMessage, std::uint16_t base,
                              const SampleRegisters &registers, bool written);

// The memory of a capture, its ring (with `extras` for other registers' reads), its
// figures and its writer, cannot be had.
CaptureMemoryError memoryShortage(bool extras);

} // namespace la
