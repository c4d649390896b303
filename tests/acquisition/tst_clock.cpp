// The capture's clock: stamps of a counter placed on CLOCK_MONOTONIC by pairs taken around
// the reads, never running backwards as pairs come in, and the time-stamp counter used only
// where it is invariant and the kernel trusts it.

#include "acquisition/clockcalibration.h"
#include "acquisition/tscclock.h"

#include <QtTest>

#include <fstream>

using namespace la;

namespace {

// A pair added, or a stamp converted and the time it must get.
struct Step
{
    bool pair = false;
    qint64 stamp = 0;
    qint64 ns = 0;
};
using Steps = QList<Step>;

Step pairAt(qint64 stamp, qint64 ns)
{
    return {true, stamp, ns};
}

Step converts(qint64 stamp, qint64 ns)
{
    return {false, stamp, ns};
}

void write(const QString &path, const std::string &text)
{
    QDir().mkpath(QFileInfo(path).path());
    std::ofstream(path.toStdString()) << text;
}

} // namespace
Q_DECLARE_METATYPE(Steps)

class TstClock : public QObject
{
    Q_OBJECT

private slots:
    void calibration_data();
    void calibration();
    void detection_data();
    void detection();
};

void TstClock::calibration_data()
{
    QTest::addColumn<double>("ticksPerNs"); // the nominal rate, used while one pair is known
    QTest::addColumn<Steps>("steps");
    constexpr qint64 S = 5'000'000'000;
    // The pairs say 3 ticks a nanosecond; the nominal rate is off, and no longer counts.
    QTest::newRow("a fast counter, between its pairs")
        << 2.9
        << Steps{pairAt(1'000'000, S), pairAt(31'000'000, S + 10'000'000),
                 converts(1'000'003, S + 1), converts(16'000'000, S + 5'000'000),
                 converts(31'000'000, S + 10'000'000)};
    QTest::newRow("a slow counter: 25 MHz")
        << 0.025
        << Steps{pairAt(0, S), pairAt(250'000, S + 10'000'000), converts(1, S + 40),
                 converts(125'000, S + 5'000'000)};
    QTest::newRow("one pair: the nominal rate carries on")
        << 2.0 << Steps{pairAt(100, 1000), converts(300, 1100), converts(301, 1101)};
    // A day at 3 GHz, 8 ns apart from the nominal rate by its end.
    QTest::newRow("pairs far apart")
        << 3.0
        << Steps{pairAt(0, S), pairAt(259'200'000'000'000, S + 86'400'000'000'008),
                 converts(129'600'000'000'000, S + 43'200'000'000'004),
                 converts(259'199'999'999'997, S + 86'400'000'000'007)};
    QTest::newRow("past the newest pair: the rate since the first")
        << 1.0
        << Steps{pairAt(0, 0), pairAt(1000, 1000), pairAt(2000, 2100), converts(1500, 1550),
                 converts(3000, 3150)};
    // 1.5 M was placed by the first rate, then the next pair shows the counter ran slower:
    // the line goes on from 1.5 M to the new pair, not back to where the pairs put it.
    const Step ahead[] = {pairAt(0, 0), pairAt(1'000'000, 1'000'000),
                          converts(1'500'000, 1'500'000)};
    QTest::newRow("a refinement goes on from the last time given")
        << 1.0
        << (Steps(std::begin(ahead), std::end(ahead))
            << pairAt(1'600'000, 1'550'000) << converts(1'500'010, 1'500'005)
            << converts(1'600'000, 1'550'000) << converts(1'700'000, 1'646'875));
    // The new pair is earlier than a time already given: the times hold until it is passed.
    QTest::newRow("a refinement never runs backwards")
        << 1.0
        << (Steps(std::begin(ahead), std::end(ahead))
            << pairAt(1'600'000, 1'400'000) << converts(1'550'000, 1'500'000)
            << converts(1'600'000, 1'500'000) << converts(1'800'000, 1'575'000));
}

void TstClock::calibration()
{
    QFETCH(double, ticksPerNs);
    QFETCH(Steps, steps);
    QVERIFY(steps.front().pair);
    ClockCalibration calibration(ticksPerNs, {steps.front().stamp, steps.front().ns});
    for (const Step &step : steps.mid(1)) {
        if (step.pair) {
            calibration.add({step.stamp, step.ns});
            continue;
        }
        QCOMPARE(qint64(calibration.toNs(step.stamp)), step.ns);
    }
}

void TstClock::detection_data()
{
    QTest::addColumn<QString>("flags"); // empty: no /proc/cpuinfo
    QTest::addColumn<QString>("sources");
    QTest::addColumn<bool>("usable");
    QTest::addColumn<bool>("rdtscp");
    const QString invariant = "fpu tsc msr rdtscp lm constant_tsc rep_good nonstop_tsc pni";
    QTest::newRow("invariant and trusted") << invariant << "tsc kvm-clock " << true << true;
    QTest::newRow("not invariant: nonstop_tsc missing") << "fpu tsc rdtscp constant_tsc"
                                                        << "tsc hpet " << false << true;
    QTest::newRow("the kernel distrusts it, no rdtscp")
        << "fpu tsc constant_tsc nonstop_tsc"
        << "kvm-clock hpet acpi_pm " << false << false;
    QTest::newRow("another processor: no such files") << QString() << QString() << false << false;
}

void TstClock::detection()
{
    QFETCH(QString, flags);
    QFETCH(QString, sources);
    QFETCH(bool, usable);
    QFETCH(bool, rdtscp);
    QTemporaryDir root;
    if (!flags.isEmpty()) {
        write(root.filePath("proc/cpuinfo"),
              "processor\t: 0\nvendor_id\t: AuthenticAMD\nflags\t\t: " + flags.toStdString() +
                  "\nbugs\t\t: sysret_ss_attrs\n\nprocessor\t: 1\nflags\t\t: " +
                  flags.toStdString() + "\n");
        write(root.filePath("sys/devices/system/clocksource/clocksource0/available_clocksource"),
              sources.toStdString() + "\n");
    }
    const TscSupport support =
        detectTsc(root.filePath("proc").toStdString(), root.filePath("sys").toStdString());
    QCOMPARE(support.usable, usable);
    QCOMPARE(support.rdtscp, rdtscp);
}

QTEST_APPLESS_MAIN(TstClock)
#include "tst_clock.moc"
