#pragma once

#include "acquisition/streamkeeper.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace la {

// A one-line progress display of a capture on a terminal: while waiting for the trigger,
// the time waited; then the time the reads kept span, the reads (of how many, for a count),
// the changes and the pauses so far. It runs in a thread of its own and only looks at the
// capture's progress counters a few times a second, so that the capture never waits for
// it; it allocates nothing once started. Nothing shows during the first second: a short
// capture needs no progress.
class ProgressDisplay
{
public:
    static constexpr int DelayMs = 1000;
    static constexpr int IntervalMs = 250;

    // `samples`: the reads asked for, or 0 when the capture's length is no count.
    ProgressDisplay(const StreamProgress &progress, std::uint64_t samples, std::string trigger,
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
    // The line into `text`, returning its length.
    std::size_t line(char *text, std::size_t size) const;

    const StreamProgress &m_progress;
    std::uint64_t m_samples;
    std::string m_trigger;
    int m_fd;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace la
