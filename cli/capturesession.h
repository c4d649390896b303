#pragma once

#include "acquisition/portio.h"
#include "cli/captureoptions.h"
#include "output/safefile.h"

#include <string>

namespace la {

// One streamed capture of logic-capture, from the memory it takes to its exit status: the
// ring and the writer made before the first read, the reading and keeping threads, the
// progress line, the signals, a read that does not return, and the one message of each
// ending. The capture is written to `output`, which is committed when complete.
//
// Returns the exit status. When the reading thread is stuck in the port library, it cannot
// be joined, and the process ends here instead, with that status.
int runStreamedCapture(const CaptureOptions &options, PortIo &port, SafeFile &output,
                       const std::string &library);

} // namespace la
