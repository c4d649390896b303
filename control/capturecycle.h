#pragma once

#include "acquisition/capture.h"
#include "acquisition/perfcounter.h"
#include "acquisition/readclock.h"
#include "state/colour.h"

#include <functional>
#include <memory>
#include <string>

namespace la {

class CounterSource;
class Platform;
class PortIo;
class Screen;
class ScopeRenderer;
struct FrontPanel;
struct GlobalData;

// One run of the instrument: "get" arms the capture timer; when it fires, the status
// register is read 9999 times, the time of the reads is shown in milliseconds (and, in the
// time box's tooltip, how evenly they came and where they paused), the reads are kept as
// the samples and decoded, and the screen redrawn.
class CaptureCycle
{
public:
    static constexpr Colour LampArmed = rgb(255, 0, 0);
    static constexpr Colour LampDone = rgb(121, 26, 13);

    CaptureCycle(FrontPanel &panel, GlobalData &data, Screen &screen, ScopeRenderer &scope,
                 PortIo &port, CounterSource &counter, ReadClock clock, Platform &platform);
    ~CaptureCycle();

    void command5Click(); // "get"
    void timer1Tick();

    // The interval timer, created by the first capture; null before it.
    const cPerfCounter *perf() const { return m_perf.get(); }
    // How many captures completed.
    int completedCaptures() const { return m_completed; }
    // The last capture made, whatever the screen shows now; null before the first.
    std::shared_ptr<const Capture> lastCapture() const { return m_last; }

    // A way on when a capture fails: the failure's message offers `action` (a button), and
    // choosing it runs `takeIt`, once; the next "get" reads what it set up.
    void offerOnFailure(std::string action, std::function<void()> takeIt);

private:
    void endCycle();
    void abandon(const std::string &reason);

    FrontPanel &m_panel;
    GlobalData &m_data;
    Screen &m_screen;
    ScopeRenderer &m_scope;
    PortIo &m_port;
    CounterSource &m_counter;
    ReadClock m_clock;
    Platform &m_platform;
    std::unique_ptr<cPerfCounter> m_perf;
    std::shared_ptr<const Capture> m_last;
    std::string m_offer;
    std::function<void()> m_takeOffer;
    int m_completed = 0;
};

} // namespace la
