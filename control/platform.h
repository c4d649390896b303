#pragma once

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
};

} // namespace la
