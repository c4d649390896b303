// The desktop side of the instrument: ending the program with a status, whether the event
// loop already runs or not.

#include "ui/qtplatform.h"

#include <QApplication>
#include <QTimer>
#include <QtTest>

using namespace la;

class TstQtPlatform : public QObject
{
    Q_OBJECT

private slots:
    void endProgram_data();
    void endProgram();
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

QTEST_MAIN(TstQtPlatform)
#include "tst_qtplatform.moc"
