#pragma once

#include <functional>

namespace la {

class Platform;
class RuntimeError;

// The one door through which every user event and timer tick reaches a handler. It runs the
// handler to completion; a RuntimeError that escapes abandons the handler, is reported (a
// message and a line on stderr) and ends the program with status 1. Once the program is
// ending, nothing further runs. After every handler, `afterHandler` runs (the screen's one
// repaint per handler).
class EventGate
{
public:
    EventGate(Platform &platform, std::function<void()> afterHandler);

    void run(const std::function<void()> &handler);
    // Ends the program: no handler runs after this.
    void end(int status);
    bool ended() const { return m_ended; }

private:
    void report(const RuntimeError &error);

    Platform &m_platform;
    std::function<void()> m_afterHandler;
    bool m_ended = false;
    int m_depth = 0;
};

} // namespace la
