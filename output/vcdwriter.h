#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace la {

struct Capture;

// Receives a VCD file piece by piece, in order.
using VcdSink = std::function<void(std::string_view piece)>;

// A capture as a Value Change Dump: five one-bit wires ch1..ch5 in scope "probe", each 1
// where its line is high. Every change is written at the time of the read that first saw
// it, relative to the first read, on the unit VcdTimebase chooses for the median read
// period; the last timestamp lies one median period after the last read. Reads that were
// not timed one by one are spread evenly over the measured time. The header's comments say
// the read count, the times and the pauses. `date` is the text of the $date line. The file
// goes to `sink` in pieces of about a megabyte, so that a long capture needs no second copy
// in memory.
void writeVcd(const Capture &capture, const std::string &date, const VcdSink &sink);

// The same file as one string.
std::string captureToVcd(const Capture &capture, const std::string &date);

// A time in local time as the $date line shows it, e.g. "2024-05-01 14:03:27".
std::string vcdDate(std::chrono::system_clock::time_point time);
// The same for now.
std::string vcdDateNow();

// Writes the capture's VCD, dated when its first read was made, to `path` through a
// SafeFile: the file is complete or untouched. Throws FileWriteError (output/safefile.h).
void saveCaptureAsVcd(const std::string &path, const Capture &capture);

} // namespace la
