#include "cli/capturesignals.h"

#include "acquisition/portsetup.h"
#include "cli/progressdisplay.h"
#include "output/safefile.h"

#include <atomic>
#include <csignal>
#include <cstdint>
#include <unistd.h>

namespace la {

namespace {

std::atomic<int> wakeFd{-1};
std::atomic<int> notedSignal{0};
std::atomic<int> deferFd{-1};
std::atomic<int> abandonSignal{0};
std::atomic<PortSetup *> restorer{nullptr};

void wake(int fd)
{
    const std::uint64_t one = 1;
    (void)::write(fd, &one, sizeof one);
}

// Only async-signal-safe calls here: atomics, write, PortSetup::restore and _exit.
extern "C" void onEndingSignal(int signal)
{
    const int fd = wakeFd.load();
    if (fd >= 0) {
        int none = 0;
        if (notedSignal.compare_exchange_strong(none, signal)) {
            wake(fd);
            return;
        }
    }
    if (const int deferred = deferFd.load(); deferred >= 0) {
        int none = 0;
        abandonSignal.compare_exchange_strong(none, signal);
        wake(deferred);
        return;
    }
    CaptureSignals::abandon(signal);
}

} // namespace

void CaptureSignals::catchThem()
{
    struct sigaction action
    {
    };
    action.sa_handler = onEndingSignal;
    sigfillset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

void CaptureSignals::completeOnFirst(int fd)
{
    wakeFd.store(fd);
}

int CaptureSignals::noted()
{
    return notedSignal.load();
}

void CaptureSignals::restoreOnAbandon(PortSetup *setup)
{
    restorer.store(setup);
}

void CaptureSignals::deferAbandon(int fd)
{
    deferFd.store(fd);
}

int CaptureSignals::abandonNoted()
{
    return abandonSignal.load();
}

void CaptureSignals::abandon(int signal)
{
    if (PortSetup *setup = restorer.load())
        setup->restore();
    removeUnfinishedFile();
    if (ProgressDisplay::lineOpen())
        (void)::write(STDERR_FILENO, "\n", 1);
    ::_exit(128 + signal);
}

} // namespace la
