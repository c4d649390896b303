// True time against a port library that stalls for a known time at a known read while its
// lines run on from real time: every edge in the file must sit where the read that saw it
// was made, within a read period of when the line really changed, before and after the
// stall, and the stall must be told as the longest pause, at its place.

#include "acquisition/channels.h"
#include "acquisition/monotoniccounter.h"
#include "acquisition/perfcounter.h"
#include "acquisition/portlibrary.h"
#include "acquisition/samplingloop.h"
#include "acquisition/vcdwriter.h"
#include "vcdfixture.h"

#include <QtTest>

#include <dlfcn.h>

using namespace la;
using namespace la::test;

class TstVcdTiming : public QObject
{
    Q_OBJECT

private slots:
    void edgesAtTheirTrueTimes();
};

void TstVcdTiming::edgesAtTheirTrueTimes()
{
    constexpr long StallAt = 5000;       // the 5001st read
    constexpr long StallNs = 20'000'000; // 20 ms, longer than the machine's own pauses
    PortLibrary port(LA_TEST_STALLING_LIB);
    port.inp32(); // loaded: its own functions can be found
    void *handle = dlopen(LA_TEST_STALLING_LIB, RTLD_NOW | RTLD_NOLOAD);
    QVERIFY(handle);
    auto setUp = reinterpret_cast<void (*)(long, long)>(dlsym(handle, "StallSetUp"));
    auto sampleTimes =
        reinterpret_cast<const std::int64_t *(*)(long *)>(dlsym(handle, "StallSampleTimes"));
    QVERIFY(setUp && sampleTimes);
    MonotonicCounter counter;
    cPerfCounter perf(counter);
    // A busy machine may pause the reads longer than the stall somewhere else: then that is
    // rightly the longest pause, and the capture is taken again.
    Capture capture;
    for (int attempt = 0; attempt < 3; ++attempt) {
        setUp(StallAt, StallNs);
        capture = readCapture(port, perf, monotonicNs, 0x379, 9999);
        if (capture.timing.longestPauseAfter == std::size_t(StallAt))
            break;
    }
    long count = 0;
    const std::int64_t *truth = sampleTimes(&count);
    QCOMPARE(count, 9999L);
    dlclose(handle);

    // The stall is the longest pause, after read 5000.
    const ReadTiming &timing = capture.timing;
    QCOMPARE(long(timing.longestPauseAfter), StallAt);
    QVERIFY2(timing.longestPauseNs >= StallNs && timing.longestPauseNs < StallNs + 500'000,
             qPrintable(QString::number(timing.longestPauseNs)));

    const ParsedVcd vcd = parseVcd(captureToVcd(capture, "now"));
    QVERIFY2(vcd.problem.empty(), vcd.problem.c_str());
    QCOMPARE(QString::fromStdString(vcd.header.at("$timescale")), QString("100 ns"));
    const double unitNs = 100;
    const std::int64_t period = timing.medianPeriodNs;

    // The k-th change of a wire in the file is the k-th change of that line in the reads.
    const std::int64_t lineZero = truth[0]; // the lines count from the first read's sample
    const std::int64_t fileZero = capture.times[0];
    int checked = 0, afterStall = 0;
    for (std::size_t k : {std::size_t(0), std::size_t(4)}) {
        const char id = vcd.vars[k].first;
        std::vector<std::size_t> seenAt; // the reads that saw a change of this line
        for (std::size_t i = 1; i < capture.size(); ++i) {
            if (lineHigh(capture.reads[i], k) != lineHigh(capture.reads[i - 1], k))
                seenAt.push_back(i);
        }
        std::size_t next = 0;
        for (const VcdChange &change : vcd.changes) {
            if (change.id != id)
                continue;
            QVERIFY(next < seenAt.size());
            const std::size_t read = seenAt[next++];
            const double written = double(change.time) * unitNs;
            // At the time of the read that saw it, to the file's unit.
            QVERIFY(std::abs(written - double(capture.times[read] - fileZero)) <= unitNs / 2 + 1);
            // And within that read's period of when the line really changed (the last
            // edge before the read's sample: ch1 toggles every 50 us, ch5 every 170 us).
            // Where the period is a pause, the file can say no more than that the change
            // fell inside it; a pause between the previous read's sample and its timestamp
            // shows as the gap before that read, so either gap counts.
            const std::int64_t half = k == 0 ? 50'000 : 170'000;
            const std::int64_t edge = (truth[read] - lineZero) / half * half;
            const double late = written - double(edge + lineZero - fileZero);
            std::int64_t gap = capture.times[read] - capture.times[read - 1];
            if (read >= 2)
                gap = std::max(gap, capture.times[read - 1] - capture.times[read - 2]);
            const double allowed = double(std::max(gap, period)) + unitNs;
            QVERIFY2(late >= -unitNs && late <= allowed,
                     qPrintable(QString("ch%1 edge at read %2 written %3 ns after it changed")
                                    .arg(k + 1)
                                    .arg(read)
                                    .arg(late)));
            ++checked;
            afterStall += read > std::size_t(StallAt) ? 1 : 0;
        }
        QCOMPARE(next, seenAt.size());
    }
    QVERIFY(checked > 200);
    QVERIFY(afterStall > 80); // edges after the stall were held to their true times too
}

QTEST_APPLESS_MAIN(TstVcdTiming)
#include "tst_vcdtiming.moc"
