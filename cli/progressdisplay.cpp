#include "cli/progressdisplay.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <unistd.h>

namespace la {

namespace {

volatile sig_atomic_t lineIsOpen = 0;

void writeText(int fd, const char *text, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, text + done, size - done);
        if (n <= 0)
            return; // a terminal that takes no more loses a progress line, nothing else
        done += static_cast<std::size_t>(n);
    }
}

} // namespace

ProgressDisplay::ProgressDisplay(const StreamProgress &progress, std::uint64_t samples,
                                 std::string trigger, int fd)
    : m_progress(progress), m_samples(samples), m_trigger(std::move(trigger)), m_fd(fd)
{
    // The signals that end the program are the main thread's business.
    sigset_t all, old;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &old);
    m_thread = std::thread([this] { run(); });
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

ProgressDisplay::~ProgressDisplay()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

bool ProgressDisplay::lineOpen()
{
    return lineIsOpen != 0;
}

std::size_t ProgressDisplay::line(char *text, std::size_t size) const
{
    int length = 0;
    if (m_progress.waiting.load(std::memory_order_relaxed)) {
        const double waited = double(m_progress.waitedNs.load(std::memory_order_relaxed)) / 1e9;
        length = std::snprintf(text, size, "waiting for the trigger %s: %.1f s", m_trigger.c_str(),
                               waited);
        return length < 0 ? 0 : std::min(std::size_t(length), size - 1);
    }
    const auto kept = (unsigned long long)m_progress.kept.load(std::memory_order_relaxed);
    const auto changes = (unsigned long long)m_progress.changes.load(std::memory_order_relaxed);
    const auto pauses = (unsigned long long)m_progress.pauses.load(std::memory_order_relaxed);
    const double seconds = double(m_progress.keptNs.load(std::memory_order_relaxed)) / 1e9;
    char reads[64];
    if (m_samples > 0)
        std::snprintf(reads, sizeof reads, "%llu of %llu reads (%.0f %%)", kept,
                      (unsigned long long)m_samples, 100.0 * double(kept) / double(m_samples));
    else
        std::snprintf(reads, sizeof reads, "%llu reads", kept);
    char pausesText[32];
    if (pauses == 0)
        std::snprintf(pausesText, sizeof pausesText, "no pauses");
    else
        std::snprintf(pausesText, sizeof pausesText, "%llu pause%s", pauses,
                      pauses == 1 ? "" : "s");
    length = std::snprintf(text, size, "reading: %.1f s, %s, %llu change%s, %s", seconds, reads,
                           changes, changes == 1 ? "" : "s", pausesText);
    return length < 0 ? 0 : std::min(std::size_t(length), size - 1);
}

void ProgressDisplay::run()
{
    std::unique_lock lock(m_mutex);
    if (m_wake.wait_for(lock, std::chrono::milliseconds(DelayMs), [this] { return m_stop; }))
        return;
    char text[256];
    while (!m_stop) {
        // "\r" back to the start, the line, then erase what a longer line left.
        text[0] = '\r';
        std::size_t size = 1 + line(text + 1, sizeof text - 5);
        for (const char c : {'\033', '[', 'K'})
            text[size++] = c;
        writeText(m_fd, text, size);
        lineIsOpen = 1;
        m_wake.wait_for(lock, std::chrono::milliseconds(IntervalMs), [this] { return m_stop; });
    }
    writeText(m_fd, "\r\033[K", 4);
    lineIsOpen = 0;
}

} // namespace la
