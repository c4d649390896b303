#include "control/capturecycle.h"

#include "acquisition/channeldecoder.h"
#include "acquisition/elapsedformat.h"
#include "acquisition/portio.h"
#include "acquisition/samplingloop.h"
#include "control/frontpanel.h"
#include "control/platform.h"
#include "display/scoperenderer.h"
#include "display/screen.h"
#include "state/instrumentstate.h"

#include <utility>

namespace la {

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
    if (!m_perf)
        m_perf = std::make_unique<cPerfCounter>(m_counter);

    Capture capture;
    try {
        capture = readCapture(m_port, *m_perf, m_clock, m_data.status_port, SampleCount);
    } catch (const PortError &error) {
        abandon(error.what());
        return;
    }
    storeSamples(capture, m_data.samples);

    m_panel.Text1.setText(formatMilliseconds(capture.elapsedSeconds * 1000));
    m_panel.Text1.setToolTip(describeCapture(capture));
    decode_channels(m_data, m_panel.lamps());
    m_screen.clear();
    m_scope.draw_sweep();
    m_scope.draw_grid();
    m_last = std::make_shared<const Capture>(std::move(capture));
    ++m_completed;
    endCycle();
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
