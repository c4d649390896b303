// The desktop side of the instrument: ending the program with a status, whether the event
// loop already runs or not; waiting for the reads with the window answering all but input.

#include "ui/qtplatform.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <thread>

using namespace la;

class TstQtPlatform : public QObject
{
    Q_OBJECT

private slots:
    void endProgram_data();
    void endProgram();
    void waitHoldsInputOnly();
};

void TstQtPlatform::endProgram_data()
{
    QTest::addColumn<bool>("loopRunning");
    QTest::addColumn<int>("status");
    QTest::newRow("from a handler, status 0") << true << 0;
    QTest::newRow("from a handler, status 1") << true << 1;
    QTest::newRow("before the loop starts") << false << 1;
}

void TstQtPlatform::endProgram()
{
    QFETCH(bool, loopRunning);
    QFETCH(int, status);
    QtPlatform platform;
    QGuiApplication::setQuitOnLastWindowClosed(true);
    if (loopRunning)
        QTimer::singleShot(0, qApp, [&] { platform.endProgram(status); });
    else
        platform.endProgram(status);
    // Should the end be lost, this fails the test instead of hanging it.
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(99); });
    guard.start(5000);
    QCOMPARE(QCoreApplication::exec(), status);
    // A window closing afterwards must not quit again with another status.
    QVERIFY(!QGuiApplication::quitOnLastWindowClosed());
}

void TstQtPlatform::waitHoldsInputOnly()
{
    // While the event thread waits for the reads, a timer runs, a click and a key are kept
    // from the window, and the reading thread's wake ends the wait.
    QtPlatform platform;
    QPushButton button("get");
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    int clicks = 0;
    connect(&button, &QPushButton::clicked, [&] { ++clicks; });
    std::atomic<bool> done{false};
    std::thread reader;
    bool timerRan = false;
    QTimer::singleShot(0, &button, [&] {
        timerRan = true;
        QTest::mouseClick(&button, Qt::LeftButton);
        button.setFocus();
        QTest::keyClick(&button, Qt::Key_Space);
        reader = std::thread([&] {
            done = true;
            platform.wake();
        });
    });
    QElapsedTimer waited;
    waited.start();
    QVERIFY(platform.waitFor([&] { return done.load(); }, 60'000));
    QVERIFY(waited.elapsed() < 30'000); // the wake ended it, not the bound
    reader.join();
    QVERIFY(timerRan);
    QCOMPARE(clicks, 0);
    QTest::mouseClick(&button, Qt::LeftButton); // afterwards the window answers again
    QCOMPARE(clicks, 1);
    QVERIFY(!platform.waitFor([] { return false; }, 10));
}

QTEST_MAIN(TstQtPlatform)
#include "tst_qtplatform.moc"
