#pragma once

#include <string>

namespace la {

struct Capture;

// A capture as a Value Change Dump: five one-bit wires ch1..ch5 in scope "probe", each 1
// where its line is high, for every read, on the time base VcdTimebase::forElapsed chooses
// for the capture's measured time. After the initial $dumpvars only changes are written;
// the last timestamp marks the end of the last read. `date` is the text of the $date line.
std::string captureToVcd(const Capture &capture, const std::string &date);

// The local time as the $date line shows it, e.g. "2024-05-01 14:03:27".
std::string vcdDateNow();

// Writes captureToVcd(capture, vcdDateNow()) to `path` with writeFileSafely: the file is
// complete or untouched. Throws FileWriteError (acquisition/safefile.h).
void saveCaptureAsVcd(const std::string &path, const Capture &capture);

} // namespace la
