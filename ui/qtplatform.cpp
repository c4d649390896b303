#include "ui/qtplatform.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QMetaObject>
#include <QPushButton>
#include <QThread>
#include <QTimer>

namespace la {

namespace {

// Keeps clicks and keys from every window while it is installed on the application. Qt's
// own way, QEventLoop::ExcludeUserInputEvents, would hold the close box back as well (the
// window system's close request counts as input). Releases pass, so that a button or arrow
// pressed before ends as usual.
class InputHold : public QObject
{
public:
    InputHold() { qApp->installEventFilter(this); }
    ~InputHold() override { qApp->removeEventFilter(this); }
    InputHold(const InputHold &) = delete;
    InputHold &operator=(const InputHold &) = delete;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::ShortcutOverride:
            event->accept(); // claims the key from the shortcuts: no shortcut fires
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::InputMethod:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TabletPress:
        case QEvent::TabletMove:
            return true;
        default:
            return false;
        }
    }
};

} // namespace

void QtPlatform::beep()
{
    QApplication::beep();
}

void QtPlatform::showMessage(const std::string &title, const std::string &text)
{
    if (m_dismissing)
        return;
    QMessageBox::critical(m_mainWindow, QString::fromStdString(title),
                          QString::fromStdString(text));
}

bool QtPlatform::offer(const std::string &title, const std::string &text, const std::string &action)
{
    if (m_dismissing)
        return false;
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(title),
                    QString::fromStdString(text), QMessageBox::Ok, m_mainWindow);
    QPushButton *button =
        box.addButton("&" + QString::fromStdString(action), QMessageBox::AcceptRole);
    // OK stays the default: Return and Escape keep the message as it always was; Alt and
    // the action's first letter choose the action.
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    box.exec();
    return box.clickedButton() == button;
}

void QtPlatform::dismissMessages()
{
    m_dismissing = true;
    // Innermost first: each close returns from that dialog's own event loop.
    for (int guard = 0; guard < 16; ++guard) {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            break;
        modal->close();
        if (QApplication::activeModalWidget() == modal)
            break; // it would not close
    }
}

void QtPlatform::endProgram(int status)
{
    // Closing the main window must not turn into a second, successful quit that would
    // replace this status.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    if (QThread::currentThread()->loopLevel() > 0) {
        QCoreApplication::exit(status);
    } else {
        // Before the event loop runs, exit() would be lost: end as soon as it starts.
        QMetaObject::invokeMethod(
            qApp, [status] { QCoreApplication::exit(status); }, Qt::QueuedConnection);
    }
}

bool QtPlatform::waitFor(const std::function<bool()> &done, int ms)
{
    const InputHold hold;
    m_waiting.store(QThread::currentThread()->eventDispatcher());
    const QDeadlineTimer deadline(ms, Qt::PreciseTimer);
    // Wakes the loop at the deadline; wake() wakes it sooner.
    QTimer bound;
    bound.setTimerType(Qt::PreciseTimer);
    bound.setSingleShot(true);
    bound.start(ms);
    bool finished = done();
    while (!finished && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        finished = done();
    }
    m_waiting.store(nullptr);
    return finished;
}

void QtPlatform::wake()
{
    if (QAbstractEventDispatcher *dispatcher = m_waiting.load())
        dispatcher->wakeUp();
}

} // namespace la
