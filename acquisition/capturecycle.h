#pragma once

#include "acquisition/perfcounter.h"
#include "control/colour.h"

#include <array>
#include <cstdint>
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
// register is read 9999 times, the time of the reads is shown in milliseconds, the samples
// are decoded and the screen redrawn.
class CaptureCycle
{
public:
    static constexpr Colour LampArmed = rgb(255, 0, 0);
    static constexpr Colour LampDone = rgb(121, 26, 13);

    CaptureCycle(FrontPanel &panel, GlobalData &data, Screen &screen, ScopeRenderer &scope,
                 PortIo &port, CounterSource &counter, Platform &platform);
    ~CaptureCycle();

    void command5Click(); // "get"
    void timer1Tick();

    // The interval timer, created by the first capture; null before it.
    const cPerfCounter *perf() const { return m_perf.get(); }
    // How many captures completed, and the elapsed seconds the last one measured.
    int completedCaptures() const { return m_completed; }
    double lastElapsed() const { return m_lastElapsed; }

private:
    void endCycle();
    void abandon(const std::string &reason);

    FrontPanel &m_panel;
    GlobalData &m_data;
    Screen &m_screen;
    ScopeRenderer &m_scope;
    PortIo &m_port;
    CounterSource &m_counter;
    Platform &m_platform;
    std::unique_ptr<cPerfCounter> m_perf;
    // The reads land here first, so that a capture that fails leaves the samples as they
    // were; indices as in the sample buffer.
    std::array<std::int16_t, 10001> m_reads{};
    int m_completed = 0;
    double m_lastElapsed = 0;
};

} // namespace la
