#pragma once

#include <functional>
#include <string>

namespace la {

// What the instrument needs of the desktop beyond its own windows.
class Platform
{
public:
    virtual ~Platform() = default;

    virtual void beep() = 0;
    // Shows one message to the user and returns when it is dismissed.
    virtual void showMessage(const std::string &title, const std::string &text) = 0;
    // The same message with a second button beside its OK that offers `action`; true when
    // the user chose the action.
    virtual bool offer(const std::string &title, const std::string &text,
                       const std::string &action) = 0;
    // Ends the program with this exit status once the running handler returns.
    virtual void endProgram(int status) = 0;

    // Waits on the event thread while work goes on elsewhere, keeping the program answering:
    // signals, timers, the close box and repaints are served, but no click or key reaches the
    // windows. Returns true as soon as `done()` holds, asked again at every wake(); false once
    // `ms` milliseconds have passed without it.
    virtual bool waitFor(const std::function<bool()> &done, int ms) = 0;
    // Makes waitFor ask `done` again. Safe from any thread; allocates nothing.
    virtual void wake() = 0;
};

} // namespace la
