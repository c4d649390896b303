#include "control/eventgate.h"

#include "control/platform.h"
#include "state/runtimeerror.h"

#include <cstdio>

namespace la {

EventGate::EventGate(Platform &platform, std::function<void()> afterHandler)
    : m_platform(platform), m_afterHandler(std::move(afterHandler))
{
}

void EventGate::run(const std::function<void()> &handler)
{
    if (m_ended)
        return;
    if (m_running) {
        m_held.push_back(handler);
        return;
    }
    runNow(handler);
    while (!m_held.empty() && !m_ended) {
        const std::function<void()> next = std::move(m_held.front());
        m_held.pop_front();
        runNow(next);
    }
    m_held.clear();
}

void EventGate::runNow(const std::function<void()> &handler)
{
    m_running = true;
    try {
        handler();
    } catch (const RuntimeError &error) {
        report(error);
    }
    m_running = false;
    if (m_afterHandler)
        m_afterHandler();
}

void EventGate::end(int status)
{
    if (m_ended)
        return;
    m_ended = true;
    m_platform.endProgram(status);
}

void EventGate::report(const RuntimeError &error)
{
    if (m_ended)
        return;
    // Closed before the message shows: the message box's own event loop must not run
    // handlers of a program that is ending.
    m_ended = true;
    const std::string text = error.kindName() + ": " + error.what();
    std::fprintf(stderr, "logic-analyzer: run-time error: %s\n", text.c_str());
    std::fflush(stderr);
    m_platform.showMessage("logic-analyzer: run-time error", text + "\n\nThe program ends now.");
    m_platform.endProgram(1);
}

} // namespace la
