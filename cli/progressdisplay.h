#pragma once

#include "acquisition/samplingloop.h"

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>

namespace la {

// A one-line progress display of a capture on a terminal: while waiting for the trigger,
// the time waited; then the reads done of all. It runs in a thread of its own and only
// looks at the capture's progress counters a few times a second, so that the reads never
// wait for it. Nothing shows during the first second: a short capture needs no progress.
class ProgressDisplay
{
public:
    static constexpr int DelayMs = 1000;
    static constexpr int IntervalMs = 250;

    ProgressDisplay(const CaptureProgress &progress, std::size_t count, std::string trigger,
                    int fd);
    // Stops, and clears the line if one was shown.
    ~ProgressDisplay();
    ProgressDisplay(const ProgressDisplay &) = delete;
    ProgressDisplay &operator=(const ProgressDisplay &) = delete;

    // True while a progress line stands unfinished on the terminal; safe in a signal
    // handler, which then ends the line before the program ends.
    static bool lineOpen();

private:
    void run();
    std::string line() const;

    const CaptureProgress &m_progress;
    std::size_t m_count;
    std::string m_trigger;
    int m_fd;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace la
