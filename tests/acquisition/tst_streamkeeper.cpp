// The keeping side of a streamed capture on a fake port and clock: the time unit chosen
// from the first reads, each way a capture ends and what it keeps then, the reads kept from
// before a trigger by time, and a trigger that held just after a pause.

#include "acquisition/channels.h"
#include "fakes.h"
#include "streamrig.h"

#include <QtTest>

using namespace la;
using la::test::fakePort;
using la::test::FakeReadClock;
using la::test::keepStream;
using la::test::StreamRun;

Q_DECLARE_METATYPE(la::StreamEnd)

namespace {

using Steps = std::vector<std::pair<std::int64_t, std::int64_t>>;

// A clock whose steps change: `steps` (ns) for the calls up to each `until` (counted from
// 0), the last step for all after.
struct SteppedClock
{
    static inline Steps steps;
    static inline std::int64_t time = 0;
    static inline std::int64_t calls = 0;

    static void start(Steps schedule)
    {
        steps = std::move(schedule);
        time = 1'000'000'000;
        calls = 0;
    }
    static std::int64_t now()
    {
        std::int64_t step = steps.back().second;
        for (const auto &[until, ns] : steps) {
            if (calls < until) {
                step = ns;
                break;
            }
        }
        ++calls;
        return time += step;
    }
};

// The fake port's lines: ch1 toggles every 10 reads; `failAt` (from 0) reads -1.
void lines(int failAt = -1)
{
    fakePort().readValue = [failAt](int n) {
        return n == failAt ? std::int16_t(-1) : std::int16_t(statusFor((n / 10) % 2));
    };
}

StreamRequest counted(std::uint64_t samples)
{
    StreamRequest request;
    request.samples = samples;
    return request;
}

} // namespace

class TstStreamKeeper : public QObject
{
    Q_OBJECT

private slots:
    void unitFromTheFirstReads_data();
    void unitFromTheFirstReads();
    void endings_data();
    void endings();
    void beforeTheTriggerByTime();
    void triggerJustAfterAPause_data();
    void triggerJustAfterAPause();
};

void TstStreamKeeper::unitFromTheFirstReads_data()
{
    QTest::addColumn<Steps>("steps");
    QTest::addColumn<double>("unitPeriodNs"); // the period the file's unit is chosen for
    QTest::addColumn<qint64>("medianNs");     // of the whole capture
    QTest::newRow("steady reads") << Steps{{0, 1000}} << 1000.0 << 1000LL;
    QTest::newRow("a stall among the first reads moves nothing")
        << Steps{{10, 1000}, {11, 5'000'000}, {0, 1000}} << 1000.0 << 1000LL;
    QTest::newRow("faster after the first reads: the unit stays")
        << Steps{{1024, 1000}, {0, 100}} << 1000.0 << 100LL;
    QTest::newRow("slow reads") << Steps{{0, 20'000'000}} << 20'000'000.0 << 20'000'000LL;
}

void TstStreamKeeper::unitFromTheFirstReads()
{
    QFETCH(Steps, steps);
    QFETCH(double, unitPeriodNs);
    QFETCH(qint64, medianNs);
    test::FakePort port;
    lines();
    SteppedClock::start(steps);
    const StreamRun run = keepStream(port.inp32(), SteppedClock::now, counted(5000), 5000);
    QCOMPARE(run.sink.start.periodNs, unitPeriodNs);
    // Exact up to 65.5 us, within a 1024th beyond.
    QVERIFY2(qAbs(run.summary.timing.medianPeriodNs - medianNs) <= medianNs / 1024,
             qPrintable(QString::number(run.summary.timing.medianPeriodNs)));
    QCOMPARE(run.summary.reads, std::uint64_t(5000)); // the first reads are part of it
    QCOMPARE(run.sink.changes.size(), std::size_t(499));
}

void TstStreamKeeper::endings_data()
{
    QTest::addColumn<QString>("length");    // "5000 reads", "3 ms", "until ended"
    QTest::addColumn<QString>("trigger");   // a condition, or empty
    QTest::addColumn<int>("made");          // reads made
    QTest::addColumn<int>("failAt");        // the read that fails, or -1
    QTest::addColumn<StreamEnd>("outside"); // an end given from outside, as a thread would
    QTest::addColumn<int>("cutAt");         // the reading thread stuck after this many, or -1
    QTest::addColumn<StreamEnd>("ending");
    QTest::addColumn<int>("kept");
    using E = StreamEnd;
    // clang-format off
    QTest::newRow("the reads asked for")     << "5000 reads" << "" << 6000 << -1 << E::None << -1 << E::Done << 5000;
    QTest::newRow("the time asked for")      << "3 ms" << "" << 6000 << -1 << E::None << -1 << E::Done << 3000;
    QTest::newRow("a signal")                << "until ended" << "" << 4000 << -1 << E::Signal << -1 << E::Signal << 4000;
    QTest::newRow("the output fell behind")  << "until ended" << "" << 4000 << -1 << E::CouldNotKeepUp << -1 << E::CouldNotKeepUp << 4000;
    QTest::newRow("a read hangs")            << "until ended" << "" << 4000 << -1 << E::ReadHung << 2500 << E::ReadHung << 2500;
    QTest::newRow("a read fails")            << "5000 reads" << "" << 6000 << 3000 << E::None << -1 << E::PortFailed << 3000;
    QTest::newRow("the first read fails")    << "5000 reads" << "" << 6000 << 0 << E::None << -1 << E::PortFailed << 0;
    QTest::newRow("a first read fails")      << "5000 reads" << "" << 6000 << 500 << E::None << -1 << E::PortFailed << 0;
    QTest::newRow("one read")                << "1 reads" << "" << 10 << -1 << E::None << -1 << E::Done << 1;
    QTest::newRow("the trigger never holds") << "5000 reads" << "ch2:high" << 3000 << -1 << E::None << -1 << E::TriggerTimeout << 0;
    QTest::newRow("the wait is given up")    << "5000 reads" << "ch2:high" << 300 << -1 << E::TriggerTimeout << 300 << E::TriggerTimeout << 0;
    QTest::newRow("a signal before the trigger held") << "until ended" << "ch2:high" << 300 << -1 << E::Signal << -1 << E::Signal << 0;
    // clang-format on
}

void TstStreamKeeper::endings()
{
    QFETCH(QString, length);
    QFETCH(QString, trigger);
    QFETCH(int, made);
    QFETCH(int, failAt);
    QFETCH(StreamEnd, outside);
    QFETCH(int, cutAt);
    QFETCH(StreamEnd, ending);
    QFETCH(int, kept);
    test::FakePort port;
    lines(failAt);
    StreamRequest request;
    if (length.endsWith(" reads"))
        request.samples = length.split(' ').front().toULongLong();
    else if (length.endsWith(" ms"))
        request.timeNs = length.split(' ').front().toLongLong() * 1'000'000;
    std::string error;
    if (!trigger.isEmpty())
        request.trigger = TriggerCondition::parse(trigger.toStdString(), error);
    request.timeoutNs = 1'000'000; // a thousand reads
    const StreamRun run = keepStream(port.inp32(), FakeReadClock::now, request, std::uint64_t(made),
                                     [&](StreamControl &control, StreamKeeper &keeper) {
                                         if (cutAt >= 0)
                                             keeper.cutInput(std::uint64_t(cutAt));
                                         if (outside == StreamEnd::TriggerTimeout)
                                             keeper.giveUpWaiting();
                                         else if (outside != StreamEnd::None)
                                             control.requestEnd(outside);
                                     });
    QCOMPARE(run.ending, ending);
    QCOMPARE(run.summary.reads, std::uint64_t(kept));
    QCOMPARE(run.sink.begun, kept > 0);
    if (kept == 0)
        return;
    // The reads kept are the first ones, unbroken: the file ends a period after the last.
    QCOMPARE(run.summary.endNs, std::int64_t(kept) * 1000);
    QCOMPARE(run.sink.changes.size(), std::size_t((kept - 1) / 10));
    const std::string line = describeSummary(run.summary);
    QVERIFY2(line.find("no counter") == std::string::npos, line.c_str());
    if (kept == 1)
        QCOMPARE(line, std::string("1 read; no read period measured (that takes two reads)"));
}

void TstStreamKeeper::beforeTheTriggerByTime()
{
    // 4 ms with a quarter from before a rise of ch1 at read 3000: 1 ms of reads before it,
    // 3 ms from it on.
    test::FakePort port;
    fakePort().readValue = [](int n) { return std::int16_t(statusFor(n >= 3000 ? 1 : 0)); };
    StreamRequest request;
    request.timeNs = 4'000'000;
    request.pretriggerPercent = 25;
    std::string error;
    request.trigger = TriggerCondition::parse("ch1:rise", error);
    const StreamRun run = keepStream(port.inp32(), FakeReadClock::now, request, 9000);
    QCOMPARE(run.ending, StreamEnd::Done);
    QVERIFY(run.summary.trigger);
    QCOMPARE(run.summary.trigger->read, std::uint64_t(1000));
    QCOMPARE(run.summary.trigger->atNs, std::int64_t(1'000'000));
    QCOMPARE(run.summary.reads, std::uint64_t(4000));
    QCOMPARE(run.sink.changes.size(), std::size_t(1));
    QCOMPARE(run.sink.changes.front().first, std::int64_t(1'000'000));
}

void TstStreamKeeper::triggerJustAfterAPause_data()
{
    QTest::addColumn<int>("stallAt"); // the read returning late, 2 ms late
    QTest::addColumn<bool>("afterPause");
    QTest::newRow("a pause just before the trigger's read") << 3000 << true;
    QTest::newRow("a pause a read earlier") << 2999 << false;
    QTest::newRow("no pause") << -1 << false;
}

void TstStreamKeeper::triggerJustAfterAPause()
{
    // The condition holds at read 3000. A pause before that read hides when the line really
    // rose: the capture says so, in its line and in the figures a header gets.
    QFETCH(int, stallAt);
    QFETCH(bool, afterPause);
    test::FakePort port;
    fakePort().readValue = [](int n) { return std::int16_t(statusFor(n >= 3000 ? 1 : 0)); };
    FakeReadClock::state().stall = 2'000'000;
    FakeReadClock::state().stallAt = stallAt + 1; // its first call starts the reading
    std::string error;
    StreamRequest request = counted(5000);
    request.trigger = TriggerCondition::parse("ch1:rise", error);
    const StreamRun run = keepStream(port.inp32(), FakeReadClock::now, request, 9000);
    QVERIFY(run.summary.trigger);
    QCOMPARE(run.summary.triggerAfterPause(), afterPause);
    const std::string line = describeSummary(run.summary);
    QCOMPARE(line.find("trigger ch1:rise held at read 501") != std::string::npos, true);
    QCOMPARE(line.find("just after a pause of 2.00 ms") != std::string::npos, afterPause);
}

QTEST_APPLESS_MAIN(TstStreamKeeper)
#include "tst_streamkeeper.moc"
