#include "ui/qtplatform.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QPushButton>
#include <QThread>

namespace la {

void QtPlatform::beep()
{
    QApplication::beep();
}

void QtPlatform::showMessage(const std::string &title, const std::string &text)
{
    QMessageBox::critical(m_mainWindow, QString::fromStdString(title),
                          QString::fromStdString(text));
}

bool QtPlatform::offer(const std::string &title, const std::string &text, const std::string &action)
{
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

} // namespace la
