#include "cli/captureport.h"

#include "acquisition/quietthread.h"
#include "acquisition/readclock.h"
#include "cli/captureendings.h"
#include "cli/capturesignals.h"

#include <atomic>
#include <csignal>
#include <ctime>
#include <iostream>
#include <memory>
#include <pthread.h>
#include <thread>

namespace la {

namespace {

// Waits until `done` or HangNs from now; whether it came.
template <typename Done> bool waitFor(Done done)
{
    const std::int64_t until = monotonicNs() + CapturePort::HangNs;
    while (!done() && monotonicNs() < until) {
        const timespec pause{0, 1'000'000};
        nanosleep(&pause, nullptr);
    }
    return done();
}

} // namespace

CapturePort::~CapturePort()
{
    CaptureSignals::deferAbandon(-1);
    if (!m_hung)
        m_setup.restore();
    CaptureSignals::restoreOnAbandon(nullptr);
}

void CapturePort::setUp()
{
    CaptureSignals::restoreOnAbandon(&m_setup);
    const EndingSignalsHeld held;
    m_setup.setUp();
}

void CapturePort::putBack(bool stopReads)
{
    if (stopReads) {
        m_control.stop.store(true, std::memory_order_relaxed);
        waitFor([this] { return readsEnded(); });
    }
    if (readsEnded()) {
        m_setup.restore();
    } else {
        auto done = std::make_shared<std::atomic<bool>>(false);
        {
            const EndingSignalsHeld held;
            std::thread([this, done] {
                m_setup.restore();
                done->store(true, std::memory_order_release);
            }).detach();
        }
        if (!waitFor([&done] { return done->load(std::memory_order_acquire); })) {
            m_hung = true;
            CaptureSignals::restoreOnAbandon(nullptr);
            std::cerr << "logic-capture: " << restoreHungMessage(m_library, m_base) << std::endl;
        }
    }
    CaptureSignals::deferAbandon(-1);
    if (const int signal = CaptureSignals::abandonNoted(); signal != 0)
        CaptureSignals::abandon(signal);
}

} // namespace la
