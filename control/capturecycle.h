#pragma once

#include "acquisition/capture.h"
#include "acquisition/perfcounter.h"
#include "acquisition/readclock.h"
#include "acquisition/samplingloop.h"
#include "state/colour.h"

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <string>

namespace la {

class CounterSource;
class Platform;
class PortIo;
class Screen;
class ScopeRenderer;
class WorkerThread;
struct FrontPanel;
struct GlobalData;

// One run of the instrument: "get" arms the capture timer; when it fires, the status
// register is read 9999 times, the time of the reads is shown in milliseconds (and, in the
// time box's tooltip, how evenly they came and where they paused), the reads are kept as
// the samples and decoded, and the screen redrawn.
//
// The reads run on a thread of their own while the handler waits, so that a signal or the
// close box can stop them at the next read (see stop) and a read that never returns can be
// given up. That thread, a second one for the port's last calls, and the room for the reads
// all exist before the first read.
class CaptureCycle
{
public:
    static constexpr Colour LampArmed = rgb(255, 0, 0);
    static constexpr Colour LampDone = rgb(121, 26, 13);
    // A call into the port library that has not returned after this long is given up.
    static constexpr int ReadTimeoutMs = 2000;

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

    // For an ending: the reads of a capture under way stop at their next read and the
    // capture is dropped, and no capture starts after it. Safe from any thread.
    void stop();
    // What the capture's handler does when a read has not returned for ReadTimeoutMs: the
    // reading thread is then lost to the port library, and the program must end.
    void onReadStuck(std::function<void()> giveUp);
    // A read has not returned: the reading thread stays in the port library for good.
    bool readStuck() const { return m_stuck; }
    // True once no read is under way: none was, or the one under way returned within
    // ReadTimeoutMs. Call after stop(), before calling the port library beside the reads.
    bool readsReturned();
    // Runs `call`, a call into the port library, on the thread kept for it, and waits for it
    // up to ReadTimeoutMs: for the exit writes while a read that has not returned may hold
    // the library's own lock. False when `call` has not returned by then.
    bool callAside(const std::function<void()> &call);

private:
    void makeThreads();
    void read();
    bool awaitReads();
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
    std::function<void()> m_giveUp;
    int m_completed = 0;

    // The capture under way, shared with the reading thread.
    std::unique_ptr<WorkerThread> m_reader;
    std::unique_ptr<WorkerThread> m_aside;
    std::atomic<bool> m_stop{false};
    CaptureProgress m_progress;
    CaptureRequest m_request;
    std::shared_ptr<Capture> m_next;
    std::exception_ptr m_failure;
    bool m_stuck = false;
};

} // namespace la
