#pragma once

#include "control/platform.h"

#include <QPointer>
#include <QWidget>

#include <atomic>

class QAbstractEventDispatcher;

namespace la {

// The desktop as the instrument sees it through Qt: the system beep, a message box over the
// main window, leaving the event loop, and keeping it going while the reads run elsewhere.
class QtPlatform : public Platform
{
public:
    // Messages are shown over this window once it is set (and while it exists).
    void setMainWindow(QWidget *window) { m_mainWindow = window; }

    void beep() override;
    void showMessage(const std::string &title, const std::string &text) override;
    bool offer(const std::string &title, const std::string &text,
               const std::string &action) override;
    void endProgram(int status) override;
    bool waitFor(const std::function<bool()> &done, int ms) override;
    void wake() override;

    // Closes the message boxes and dialogs open now, so that the handler waiting in one
    // finishes, and opens none after it (what they say also goes to standard error): for an
    // ending that must not wait for the user.
    void dismissMessages();

private:
    QPointer<QWidget> m_mainWindow;
    bool m_dismissing = false;
    std::atomic<QAbstractEventDispatcher *> m_waiting{nullptr};
};

} // namespace la
