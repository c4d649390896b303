#pragma once

#include "acquisition/changesink.h"
#include "acquisition/channelchoice.h"

#include <string>

namespace la {

// The comments of a capture's VCD header, one "$comment ... $end" line each.

// The figures known once the capture has ended: the reads of which registers (those the
// lines `chosen` need), the time, the median period, the pauses, where the trigger held, the
// priority of the reads and what ended the capture.
std::string vcdFigureComments(const CaptureSummary &summary, SampleWord chosen = StatusLineBits);

// What a file written as the capture runs, into a pipe, can say at its start instead: the
// register, that the figures come at the end on standard error, and where the trigger held
// (a pause before it judged against `start`'s period).
std::string vcdStreamComments(const CaptureStart &start, SampleWord chosen = StatusLineBits);

// A wire's line: "ch3: status bit 7 (Busy, read inverted), connector pin 11", or for a line
// with a name of its own "RX: ch5, status bit 3, connector pin 15".
std::string describeLine(const ChosenLine &line);

} // namespace la
