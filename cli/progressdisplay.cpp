#include "cli/progressdisplay.h"

#include "acquisition/elapsedformat.h"

#include <chrono>
#include <csignal>
#include <pthread.h>
#include <unistd.h>

namespace la {

namespace {

volatile sig_atomic_t lineIsOpen = 0;

void writeText(int fd, const std::string &text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0)
            return; // a terminal that takes no more loses a progress line, nothing else
        done += static_cast<std::size_t>(n);
    }
}

} // namespace

ProgressDisplay::ProgressDisplay(const CaptureProgress &progress, std::size_t count,
                                 std::string trigger, int fd)
    : m_progress(progress), m_count(count), m_trigger(std::move(trigger)), m_fd(fd)
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

std::string ProgressDisplay::line() const
{
    if (m_progress.waiting.load(std::memory_order_relaxed)) {
        const double waited = double(m_progress.waitedNs.load(std::memory_order_relaxed)) / 1e9;
        return "waiting for the trigger " + m_trigger + ": " + fixedPoint(waited, 1) + " s";
    }
    const std::uint64_t kept = m_progress.kept.load(std::memory_order_relaxed);
    const double percent = m_count ? 100.0 * double(kept) / double(m_count) : 100.0;
    return "reading: " + std::to_string(kept) + " of " + std::to_string(m_count) + " (" +
           fixedPoint(percent, 0) + " %)";
}

void ProgressDisplay::run()
{
    std::unique_lock lock(m_mutex);
    if (m_wake.wait_for(lock, std::chrono::milliseconds(DelayMs), [this] { return m_stop; }))
        return;
    while (!m_stop) {
        // "\r" back to the start, the line, then erase what a longer line left.
        std::string text = "\r";
        text += line();
        text += "\033[K";
        writeText(m_fd, text);
        lineIsOpen = 1;
        m_wake.wait_for(lock, std::chrono::milliseconds(IntervalMs), [this] { return m_stop; });
    }
    writeText(m_fd, "\r\033[K");
    lineIsOpen = 0;
}

} // namespace la
