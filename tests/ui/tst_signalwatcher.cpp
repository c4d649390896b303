// The signal watcher: a signal becomes `caught` in the event loop, and once the watcher goes
// the signal has its earlier handling back and the pipe's descriptors are closed.

#include "ui/signalwatcher.h"

#include <QDir>
#include <QSignalSpy>
#include <QtTest>

#include <csignal>

using namespace la;

namespace {

volatile std::sig_atomic_t earlierHandlerRan = 0;

extern "C" void earlierHandler(int)
{
    earlierHandlerRan = 1;
}

qsizetype openDescriptors()
{
    return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size();
}

} // namespace

class TstSignalWatcher : public QObject
{
    Q_OBJECT

private slots:
    void caughtThenHandedBack();
};

void TstSignalWatcher::caughtThenHandedBack()
{
    std::signal(SIGUSR1, earlierHandler);
    const qsizetype descriptors = openDescriptors();
    {
        SignalWatcher watcher({SIGUSR1});
        QSignalSpy caught(&watcher, &SignalWatcher::caught);
        std::raise(SIGUSR1);
        QVERIFY(caught.wait(10000));
        QCOMPARE(caught.first().first().toInt(), SIGUSR1);
        QCOMPARE(earlierHandlerRan, 0);
    }
    QCOMPARE(openDescriptors(), descriptors);
    std::raise(SIGUSR1);
    QCOMPARE(earlierHandlerRan, 1);
    std::signal(SIGUSR1, SIG_DFL);
}

QTEST_MAIN(TstSignalWatcher)
#include "tst_signalwatcher.moc"
