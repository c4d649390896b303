#include "control/capturecycle.h"

#include "acquisition/channeldecoder.h"
#include "acquisition/elapsedformat.h"
#include "acquisition/portio.h"
#include "control/frontpanel.h"
#include "control/platform.h"
#include "control/workerthread.h"
#include "display/scoperenderer.h"
#include "display/screen.h"
#include "state/instrumentstate.h"

#include <new>
#include <system_error>
#include <utility>

namespace la {

namespace {

const char *const NoMemory = "Cannot reserve memory for the capture's 9999 reads: the system "
                             "refused it. Close other programs, then press get again.";

} // namespace

CaptureCycle::CaptureCycle(FrontPanel &panel, GlobalData &data, Screen &screen,
                           ScopeRenderer &scope, PortIo &port, CounterSource &counter,
                           ReadClock clock, Platform &platform)
    : m_panel(panel), m_data(data), m_screen(screen), m_scope(scope), m_port(port),
      m_counter(counter), m_clock(clock), m_platform(platform)
{
}

CaptureCycle::~CaptureCycle() = default;

void CaptureCycle::command5Click()
{
    m_panel.Timer1.setEnabled(true);
    m_panel.Command5.setEnabled(false);
    m_panel.get_led.setBackColour(LampArmed);
}

void CaptureCycle::timer1Tick()
{
    if (m_stop.load() || m_stuck) { // the program is ending: nothing more is read
        endCycle();
        return;
    }
    try {
        makeThreads();
        if (!m_perf)
            m_perf = std::make_unique<cPerfCounter>(m_counter);
        m_next = std::make_shared<Capture>();
    } catch (const std::system_error &error) {
        abandon("Cannot start a thread for the capture's reads: " + error.code().message() +
                ". Close other programs, then press get again.");
        return;
    } catch (const std::bad_alloc &) {
        abandon(NoMemory);
        return;
    }
    m_request.statusPort = m_data.status_port;
    m_request.count = SampleCount;
    m_request.progress = &m_progress;
    m_request.stop = &m_stop;
    m_progress.kept.store(0);
    m_reader->start([this] { read(); });
    if (!awaitReads()) {
        m_stuck = true;
        endCycle();
        if (m_giveUp)
            m_giveUp();
        return;
    }

    const std::shared_ptr<Capture> capture = std::move(m_next);
    try {
        if (m_failure)
            std::rethrow_exception(std::exchange(m_failure, nullptr));
    } catch (const PortError &error) {
        abandon(error.what());
        return;
    } catch (const CaptureMemoryError &) {
        abandon(NoMemory);
        return;
    } catch (const std::bad_alloc &) {
        abandon(NoMemory);
        return;
    }
    if (m_stop.load()) { // stopped for an ending: nothing is kept or drawn
        endCycle();
        return;
    }
    storeSamples(*capture, m_data.samples);

    m_panel.Text1.setText(formatMilliseconds(capture->elapsedSeconds * 1000));
    m_panel.Text1.setToolTip(describeCapture(*capture));
    decode_channels(m_data, m_panel.lamps());
    m_screen.clear();
    m_scope.draw_sweep();
    m_scope.draw_grid();
    m_last = capture;
    ++m_completed;
    endCycle();
}

void CaptureCycle::makeThreads()
{
    const auto wake = [this] { m_platform.wake(); };
    if (!m_reader)
        m_reader = std::make_unique<WorkerThread>(wake);
    if (!m_aside)
        m_aside = std::make_unique<WorkerThread>(nullptr);
}

// On the reading thread.
void CaptureCycle::read()
{
    try {
        *m_next = readCapture(m_port, *m_perf, m_clock, m_request);
    } catch (...) {
        m_failure = std::current_exception();
    }
}

bool CaptureCycle::awaitReads()
{
    // Often enough to see the reads move on: a read is given up once whole slices adding up
    // to ReadTimeoutMs passed without one returning.
    constexpr int SliceMs = 100;
    const std::function<bool()> returned = [this] { return m_reader->idle(); };
    std::uint64_t seen = 0;
    int stillMs = 0;
    while (!m_platform.waitFor(returned, SliceMs)) {
        const std::uint64_t kept = m_progress.kept.load(std::memory_order_relaxed);
        if (kept != seen) {
            seen = kept;
            stillMs = 0;
        } else if ((stillMs += SliceMs) >= ReadTimeoutMs) {
            return false;
        }
    }
    return true;
}

void CaptureCycle::stop()
{
    m_stop.store(true);
}

void CaptureCycle::onReadStuck(std::function<void()> giveUp)
{
    m_giveUp = std::move(giveUp);
}

bool CaptureCycle::readsReturned()
{
    if (!m_reader || m_reader->idle())
        return true;
    if (!m_stuck && m_reader->waitFor(ReadTimeoutMs))
        return true;
    m_stuck = true;
    return false;
}

bool CaptureCycle::callAside(const std::function<void()> &call)
{
    if (!m_aside || !m_aside->idle())
        return false;
    m_aside->start(call);
    return m_aside->waitFor(ReadTimeoutMs);
}

void CaptureCycle::endCycle()
{
    m_panel.Timer1.setEnabled(false);
    m_panel.get_led.setBackColour(LampDone);
    m_panel.Command5.setEnabled(true);
}

void CaptureCycle::abandon(const std::string &reason)
{
    // The instrument returns to Ready with the last capture's picture and numbers intact;
    // the next "get" tries the port again.
    endCycle();
    if (!m_takeOffer) {
        m_platform.showMessage("Capture failed", reason);
        return;
    }
    if (m_platform.offer("Capture failed", reason, m_offer)) {
        const std::function<void()> takeIt = std::exchange(m_takeOffer, nullptr);
        takeIt();
    }
}

void CaptureCycle::offerOnFailure(std::string action, std::function<void()> takeIt)
{
    m_offer = std::move(action);
    m_takeOffer = std::move(takeIt);
}

} // namespace la
