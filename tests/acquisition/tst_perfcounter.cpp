// The interval timer on a counter the test controls.

#include "acquisition/perfcounter.h"

#include "acquisition/monotoniccounter.h"
#include "fakes.h"

#include <QtTest>

using namespace la;
using la::test::FakeCounter;

class TstPerfCounter : public QObject
{
    Q_OBJECT

private slots:
    void countConversion_data();
    void countConversion();
    void elapsedAfterReset();
    void repeatedElapsedMeasuresFromSameReset();
    void missingCounter();
    void unreadableCounter();
    void fetchTimeCountsTicks();
    void realCounterRuns();
};

void TstPerfCounter::countConversion_data()
{
    // Elapsed before any Reset measures from 0, so at 1 tick per second it returns the count
    // itself as the two-halves conversion sees it.
    QTest::addColumn<qint64>("count");
    QTest::addColumn<double>("seconds");
    QTest::newRow("zero") << qint64(0) << 0.0;
    QTest::newRow("low half top bit only") << qint64(0x80000000LL) << 2147483648.0;
    QTest::newRow("low half all set") << qint64(0xFFFFFFFFLL) << 4294967295.0;
    QTest::newRow("high half 1") << qint64(0x100000000LL) << 4294967296.0;
    QTest::newRow("both halves") << qint64(0x1FFFFFFFFLL) << 8589934591.0;
    QTest::newRow("negative count") << qint64(-1) << -1.0;
}

void TstPerfCounter::countConversion()
{
    QFETCH(qint64, count);
    QFETCH(double, seconds);
    FakeCounter counter;
    counter.frequency = 1;
    counter.now = count;
    cPerfCounter perf(counter);
    QCOMPARE(perf.Elapsed(), seconds);
}

void TstPerfCounter::elapsedAfterReset()
{
    FakeCounter counter;
    counter.frequency = 1000;
    counter.now = 123456;
    cPerfCounter perf(counter);
    QCOMPARE(perf.Available(), std::int16_t(-1));
    QCOMPARE(perf.Frequency(), 1000.0);
    perf.Reset();
    counter.now += 500;
    QCOMPARE(perf.Elapsed(), 0.5);
}

void TstPerfCounter::repeatedElapsedMeasuresFromSameReset()
{
    FakeCounter counter;
    counter.frequency = 1'000'000;
    cPerfCounter perf(counter);
    perf.Reset();
    counter.now += 1000;
    const double first = perf.Elapsed();
    counter.now += 1000;
    const double second = perf.Elapsed();
    QCOMPARE(first, 0.001);
    QCOMPARE(second, 0.002);
}

void TstPerfCounter::missingCounter()
{
    FakeCounter counter;
    counter.hasCounter = false;
    cPerfCounter perf(counter);
    QCOMPARE(perf.Available(), std::int16_t(0));
    QCOMPARE(perf.Frequency(), 0.0);
    perf.Reset();
    counter.now += 1000;
    QCOMPARE(perf.Elapsed(), -1.0);
    QCOMPARE(perf.fetch_time(), 1000.0); // the counter is still read and stored
}

void TstPerfCounter::unreadableCounter()
{
    FakeCounter counter;
    cPerfCounter perf(counter);
    perf.Reset();
    counter.counterReadable = false;
    QCOMPARE(perf.Elapsed(), -1.0);
}

void TstPerfCounter::fetchTimeCountsTicks()
{
    FakeCounter counter;
    counter.frequency = 1000;
    counter.now = 5000;
    cPerfCounter perf(counter);
    const double before = perf.fetch_time();
    counter.now += 1000; // one second later
    QCOMPARE(perf.fetch_time() - before, 1000.0);
}

void TstPerfCounter::realCounterRuns()
{
    MonotonicCounter counter;
    cPerfCounter perf(counter);
    QCOMPARE(perf.Available(), std::int16_t(-1));
    QCOMPARE(perf.Frequency(), 1e9);
    perf.Reset();
    const double first = perf.Elapsed();
    const double second = perf.Elapsed();
    QVERIFY(first >= 0);
    QVERIFY(second >= first);
}

QTEST_APPLESS_MAIN(TstPerfCounter)
#include "tst_perfcounter.moc"
