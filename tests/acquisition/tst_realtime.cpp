// Real-time priority in windows the kernel never throttles, driven by stamps of a fake
// counter and a stand-in that records each change of priority; the kernel's budget as read
// from its files; and, where the process may take it, the thread's real priority.

#include "acquisition/realtime.h"
#include "acquisition/threadpriority.h"

#include <QtTest>

#include <cerrno>
#include <fstream>
#include <pthread.h>

using namespace la;

namespace {

constexpr std::int64_t Ms = 1'000'000;
constexpr double TicksPerNs = 3.0; // the fake counter's rate

// Records each change of priority with the millisecond it came at.
class Recorder : public PriorityControl
{
public:
    int raise() override
    {
        calls << QString("raise@%1").arg(now);
        return allowed ? 0 : EPERM;
    }
    void lower() override { calls << QString("lower@%1").arg(now); }

    qint64 now = 0;
    bool allowed = true;
    QStringList calls;
};

} // namespace

class TstRealtime : public QObject
{
    Q_OBJECT

private slots:
    void windows_data();
    void windows();
    void budget_data();
    void budget();
    void threadPriorityComesBack();
};

void TstRealtime::windows_data()
{
    QTest::addColumn<qint64>("runtimeMs"); // the kernel's budget, -1 for none
    QTest::addColumn<qint64>("periodMs");
    QTest::addColumn<bool>("allowed");
    QTest::addColumn<qint64>("readsMs"); // a read every millisecond for so long
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<double>("share");
    QTest::addColumn<QString>("whyNone");
    QTest::newRow("shorter than one window") << qint64(950) << qint64(1000) << true << qint64(500)
                                             << QStringList{"raise@0", "lower@500"} << 1.0 << "";
    QTest::newRow("several windows: 900 ms, then 100 ms ordinary")
        << qint64(950) << qint64(1000) << true << qint64(2500)
        << QStringList{"raise@0",    "lower@900",  "raise@1000",
                       "lower@1900", "raise@2000", "lower@2500"}
        << 0.92 << "";
    QTest::newRow("other settings: 500 ms of 1000")
        << qint64(500) << qint64(1000) << true << qint64(1200)
        << QStringList{"raise@0", "lower@450", "raise@1000", "lower@1200"} << 650.0 / 1200 << "";
    QTest::newRow("a kernel without a limit") << qint64(-1) << qint64(1000) << true << qint64(3000)
                                              << QStringList{"raise@0", "lower@3000"} << 1.0 << "";
    QTest::newRow("no permission")
        << qint64(950) << qint64(1000) << false << qint64(2500) << QStringList{"raise@0"} << 0.0
        << "no permission for real-time";
}

void TstRealtime::windows()
{
    QFETCH(qint64, runtimeMs);
    QFETCH(qint64, periodMs);
    QFETCH(bool, allowed);
    QFETCH(qint64, readsMs);
    QFETCH(QStringList, calls);
    QFETCH(double, share);
    QFETCH(QString, whyNone);
    Recorder recorder;
    recorder.allowed = allowed;
    const auto noPair = [] { return ClockPair{}; };
    const ReadClock counter(nullptr, noPair, TicksPerNs);
    const RealtimeBudget budget{runtimeMs < 0 ? -1 : runtimeMs * Ms, periodMs * Ms};
    {
        RealtimeWindows windows(recorder, budget, counter);
        windows.start();
        const std::int64_t first = 123'456'789; // any counter value
        for (recorder.now = 0; recorder.now <= readsMs; ++recorder.now)
            windows.poll(first + std::int64_t(double(recorder.now * Ms) * TicksPerNs));
        recorder.now = readsMs;
        windows.finish(first + std::int64_t(double(readsMs * Ms) * TicksPerNs));
        const ReadPriority priority = windows.priority();
        QCOMPARE(priority.realtimeShare, share);
        QCOMPARE(QString::fromStdString(priority.whyNone), whyNone);
    }
    QCOMPARE(recorder.calls, calls);
}

void TstRealtime::budget_data()
{
    QTest::addColumn<QString>("runtime"); // the files' contents
    QTest::addColumn<QString>("period");
    QTest::addColumn<qint64>("runtimeNs");
    QTest::addColumn<qint64>("periodNs");
    QTest::newRow("the default") << "950000\n"
                                 << "1000000\n"
                                 << qint64(950 * Ms) << qint64(1000 * Ms);
    QTest::newRow("no limit") << "-1\n"
                              << "1000000\n"
                              << qint64(-1) << qint64(1000 * Ms);
}

void TstRealtime::budget()
{
    QFETCH(QString, runtime);
    QFETCH(QString, period);
    QFETCH(qint64, runtimeNs);
    QFETCH(qint64, periodNs);
    QTemporaryDir root;
    QDir().mkpath(root.filePath("sys/kernel"));
    std::ofstream(root.filePath("sys/kernel/sched_rt_runtime_us").toStdString())
        << runtime.toStdString();
    std::ofstream(root.filePath("sys/kernel/sched_rt_period_us").toStdString())
        << period.toStdString();
    const RealtimeBudget budget = readRealtimeBudget(root.path().toStdString());
    QCOMPARE(qint64(budget.runtimeNs), runtimeNs);
    QCOMPARE(qint64(budget.periodNs), periodNs);
}

void TstRealtime::threadPriorityComesBack()
{
    int own = -1;
    sched_param ownParam{};
    QCOMPARE(pthread_getschedparam(pthread_self(), &own, &ownParam), 0);
    const auto policy = [] {
        int now = -1;
        sched_param param{};
        pthread_getschedparam(pthread_self(), &now, &param);
        return qMakePair(now, param.sched_priority);
    };
    {
        ThreadPriority thread;
        if (thread.raise() != 0)
            QSKIP("this process may not take real-time priority (run as root)");
        QCOMPARE(policy(), qMakePair(int(SCHED_FIFO), ThreadPriority::Priority));
        thread.lower();
        QCOMPARE(policy(), qMakePair(own, ownParam.sched_priority));
        QCOMPARE(thread.raise(), 0); // the next window
    }
    QCOMPARE(policy(), qMakePair(own, ownParam.sched_priority));
}

QTEST_APPLESS_MAIN(TstRealtime)
#include "tst_realtime.moc"
