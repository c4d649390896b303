#pragma once

#include <QString>

#include <string>

namespace la {

struct Capture;

// Hands a capture to PulseView: writes it as VCD (the file "Save capture as VCD…" writes) to
// a private folder of the user's (the runtime folder, else the cache), and starts
// `pulseview -I vcd -i FILE` in a session of its own, so that closing either program leaves
// the other running. What PulseView prints goes to pulseview.log in that folder, not to the
// analyzer's terminal. Only the newest few hand-off files are kept.
class PulseViewHandoff
{
public:
    static constexpr int FilesKept = 5;
    static constexpr const char *LogName = "pulseview.log";

    // The PulseView program found on PATH, or empty when it is not installed.
    static QString program();
    // The private folder of hand-off files, made (mode 0700) if needed. Something already
    // at its name must be a real folder of the user's that no one else may enter: a symbolic
    // link is never followed. Empty when there is no such folder; `problem` then says why
    // and what to do.
    static QString folder(std::string *problem = nullptr);

    // Writes the capture and starts PulseView on it. Returns an empty string, or one message
    // that says what failed and what to do.
    static std::string open(const Capture &capture);
};

} // namespace la
