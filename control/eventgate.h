#pragma once

#include <deque>
#include <functional>

namespace la {

class Platform;
class RuntimeError;

// The one door through which every user event and timer tick reaches a handler. It runs the
// handler to completion; a RuntimeError that escapes abandons the handler, is reported (a
// message and a line on stderr) and ends the program with status 1. Once the program is
// ending, nothing further runs. After every handler, `afterHandler` runs (the screen's one
// repaint per handler).
//
// A handler that shows a message waits in the message box's own event loop, where events
// keep arriving (a timer, a held arrow, a signal). They do not run inside it: each is held
// and runs, in order, once the handler has finished.
class EventGate
{
public:
    EventGate(Platform &platform, std::function<void()> afterHandler);

    void run(const std::function<void()> &handler);
    // Ends the program: no handler runs after this, held or not.
    void end(int status);
    bool ended() const { return m_ended; }
    // A handler is running (and has perhaps a message box open).
    bool busy() const { return m_running; }

private:
    void runNow(const std::function<void()> &handler);
    void report(const RuntimeError &error);

    Platform &m_platform;
    std::function<void()> m_afterHandler;
    bool m_ended = false;
    bool m_running = false;
    std::deque<std::function<void()>> m_held;
};

} // namespace la
