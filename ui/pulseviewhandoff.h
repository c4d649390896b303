#pragma once

#include <QString>

#include <string>

namespace la {

struct Capture;

// Hands a capture to PulseView: writes it as VCD (the file "Save capture as VCD…" writes) to
// a private folder of the user's (the runtime folder, else the cache), and starts
// `pulseview -I vcd -i FILE` in a session of its own, so that closing either program leaves
// the other running. Only the newest few hand-off files are kept.
class PulseViewHandoff
{
public:
    static constexpr int FilesKept = 5;

    // The PulseView program found on PATH, or empty when it is not installed.
    static QString program();
    // The private folder of hand-off files, made (mode 0700) if needed; empty when none can.
    static QString folder();

    // Writes the capture and starts PulseView on it. Returns an empty string, or one message
    // that says what failed and what to do.
    static std::string open(const Capture &capture);
};

} // namespace la
