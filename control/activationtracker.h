#pragma once

namespace la {

// Decides when the main window's activation runs: once when it first becomes the active
// window of the program, and again whenever it becomes active after the port window was.
// Leaving for another application and coming back is not an activation.
class ActivationTracker
{
public:
    enum class Window
    {
        Main,
        Port
    };

    // A window of this program became the active window. True when the main window's
    // activation is to run.
    bool windowActivated(Window window)
    {
        const bool activation = window == Window::Main && m_last != Last::Main;
        m_last = window == Window::Main ? Last::Main : Last::Port;
        return activation;
    }

private:
    // Another application taking the focus changes nothing here: the program's last
    // active window stays what it was.
    enum class Last
    {
        None,
        Main,
        Port
    };
    Last m_last = Last::None;
};

} // namespace la
