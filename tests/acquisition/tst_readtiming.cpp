// How a capture's reads were spaced: the median period, the pauses and the longest of them,
// and the one line that tells the user, with the priority the reads had.

#include "acquisition/capture.h"
#include "acquisition/readtiming.h"

#include <QtTest>

using namespace la;

namespace {

// Times of reads 1 us apart with extra gaps: {after read n (from 1), extra ns}.
std::vector<std::int64_t> spaced(int reads, const QList<QPair<int, qint64>> &extra)
{
    std::vector<std::int64_t> times;
    std::int64_t t = 7'000'000'000;
    for (int i = 0; i < reads; ++i) {
        for (const auto &[after, ns] : extra) {
            if (after == i)
                t += ns;
        }
        times.push_back(t);
        t += 1000;
    }
    return times;
}

} // namespace

class TstReadTiming : public QObject
{
    Q_OBJECT

private slots:
    void measure_data();
    void measure();
    void describe_data();
    void describe();
    void describePriority_data();
    void describePriority();
};

using Gaps = QList<QPair<int, qint64>>;

void TstReadTiming::measure_data()
{
    QTest::addColumn<int>("reads");
    QTest::addColumn<Gaps>("extra");
    QTest::addColumn<qint64>("median");
    QTest::addColumn<int>("pauses");
    QTest::addColumn<qint64>("longest");
    QTest::addColumn<int>("after");
    QTest::newRow("even reads: no pause") << 9999 << Gaps{} << qint64(1000) << 0 << qint64(0) << 0;
    QTest::newRow("one read: nothing to measure")
        << 1 << Gaps{} << qint64(0) << 0 << qint64(0) << 0;
    QTest::newRow("two reads") << 2 << Gaps{} << qint64(1000) << 0 << qint64(0) << 0;
    // Three periods is the edge: a gap of exactly 3 us is no pause, 3.001 us is one.
    QTest::newRow("exactly three periods")
        << 100 << Gaps{{50, 2000}} << qint64(1000) << 0 << qint64(0) << 0;
    QTest::newRow("just over three periods")
        << 100 << Gaps{{50, 2001}} << qint64(1000) << 1 << qint64(3001) << 50;
    QTest::newRow("the longest of three, its place")
        << 9999 << Gaps{{10, 30'000}, {4512, 30'000 + 1000}, {9000, 5000}} << qint64(1000) << 3
        << qint64(32'000) << 4512;
    QTest::newRow("a pause after the first read")
        << 10 << Gaps{{1, 50'000}} << qint64(1000) << 1 << qint64(51'000) << 1;
    QTest::newRow("a pause after the last but one")
        << 10 << Gaps{{9, 50'000}} << qint64(1000) << 1 << qint64(51'000) << 9;
}

void TstReadTiming::measure()
{
    QFETCH(int, reads);
    QFETCH(Gaps, extra);
    QFETCH(qint64, median);
    QFETCH(int, pauses);
    QFETCH(qint64, longest);
    QFETCH(int, after);
    const ReadTiming timing = measureTiming(spaced(reads, extra));
    QCOMPARE(qint64(timing.medianPeriodNs), median);
    QCOMPARE(int(timing.pauses), pauses);
    QCOMPARE(qint64(timing.longestPauseNs), longest);
    QCOMPARE(int(timing.longestPauseAfter), after);
}

void TstReadTiming::describe_data()
{
    QTest::addColumn<int>("reads");
    QTest::addColumn<double>("elapsed");
    QTest::addColumn<Gaps>("extra");
    QTest::addColumn<QString>("text");
    QTest::newRow("no pauses") << 9999 << 0.01043 << Gaps{}
                               << "9999 reads in 10.43 ms, 1.00 µs each; no pauses";
    QTest::newRow("one pause") << 9999 << 0.01043 << Gaps{{4512, 30'000}}
                               << "9999 reads in 10.43 ms, 1.00 µs each; 1 pause of 31 µs "
                                  "after read 4512";
    QTest::newRow("two pauses") << 9999 << 0.01043 << Gaps{{17, 9000}, {4512, 30'000}}
                                << "9999 reads in 10.43 ms, 1.00 µs each; 2 pauses, the longest "
                                   "31 µs after read 4512";
    QTest::newRow("a long pause in ms") << 9999 << 0.0124 << Gaps{{5000, 2'000'000}}
                                        << "9999 reads in 12.40 ms, 1.00 µs each; 1 pause of "
                                           "2.00 ms after read 5000";
    QTest::newRow("a long capture in s")
        << 9999 << 12.5 << Gaps{} << "9999 reads in 12.50 s, 1.00 µs each; no pauses";
    QTest::newRow("no counter") << 9999 << -1.0 << Gaps{}
                                << "9999 reads, time not measured (no counter), 1.00 µs each; "
                                   "no pauses";
    // A counter is there; it only saw no time pass.
    QTest::newRow("a counter, no time")
        << 9999 << 0.0 << Gaps{} << "9999 reads, 1.00 µs each; no pauses";
    QTest::newRow("one read, timed by the counter")
        << 1 << 1e-6 << Gaps{} << "1 read; no read period measured (that takes two reads)";
}

void TstReadTiming::describe()
{
    QFETCH(int, reads);
    QFETCH(double, elapsed);
    QFETCH(Gaps, extra);
    QFETCH(QString, text);
    Capture capture;
    capture.reads.assign(reads, 0);
    capture.times = spaced(reads, extra);
    capture.timing = measureTiming(capture.times);
    capture.elapsedSeconds = elapsed;
    QCOMPARE(QString::fromStdString(describeCapture(capture)), text);
    // Untimed reads say only what was measured.
    capture.times.clear();
    QVERIFY(!QString::fromStdString(describeCapture(capture)).contains("each"));
}

void TstReadTiming::describePriority_data()
{
    QTest::addColumn<double>("share");
    QTest::addColumn<QString>("whyNone");
    QTest::addColumn<QString>("said"); // between the pauses and the source
    QTest::newRow("all at real-time priority") << 1.0 << ""
                                               << "; real-time priority";
    QTest::newRow("in windows") << 0.92 << ""
                                << "; real-time priority 92% of the time";
    QTest::newRow("all but a little: never rounded up to all")
        << 0.9999 << ""
        << "; real-time priority 99% of the time";
    QTest::newRow("none, and why") << 0.0 << "no permission for real-time"
                                   << "; ordinary priority: no permission for real-time";
    QTest::newRow("not known: nothing said") << 0.0 << ""
                                             << "";
}

void TstReadTiming::describePriority()
{
    QFETCH(double, share);
    QFETCH(QString, whyNone);
    QFETCH(QString, said);
    Capture capture;
    capture.reads.assign(9999, 0);
    capture.times = spaced(9999, {});
    capture.timing = measureTiming(capture.times);
    capture.elapsedSeconds = 0.01043;
    capture.priority = {share, whyNone.toStdString()};
    capture.source = "the simulated probe";
    QCOMPARE(QString::fromStdString(describeCapture(capture)),
             "9999 reads in 10.43 ms, 1.00 µs each; no pauses" + said +
                 "; from the simulated probe");
}

QTEST_APPLESS_MAIN(TstReadTiming)
#include "tst_readtiming.moc"
