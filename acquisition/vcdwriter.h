#pragma once

#include <string>

namespace la {

struct GlobalData;

// The last capture as a Value Change Dump: five one-bit wires ch1..ch5 in scope "probe",
// each 1 where its trace stands at the channel's upper level (the line is high), for samples
// 1..9999, on the time base VcdTimebase::forElapsed(elapsedSeconds) chooses. After the
// initial $dumpvars only changes are written; the last timestamp marks the end of the last
// sample. `date` is the text of the $date line.
std::string captureToVcd(const GlobalData &data, double elapsedSeconds, const std::string &date);

// The local time as the $date line shows it, e.g. "2024-05-01 14:03:27".
std::string vcdDateNow();

// Writes captureToVcd(data, elapsedSeconds, vcdDateNow()) to `path` with writeFileSafely:
// the file is complete or untouched. Throws FileWriteError (acquisition/safefile.h).
void saveCaptureAsVcd(const std::string &path, const GlobalData &data, double elapsedSeconds);

} // namespace la
