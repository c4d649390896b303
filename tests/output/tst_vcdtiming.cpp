// True time against a port library that stalls for a known time at a known read while its
// lines run on from real time: every edge in the file must sit where the read that saw it
// was made, no later after the line really changed than the reads' own times allow, before
// and after the stall, and the stall must be told as a pause at its place; for a capture in
// memory and for one streamed through the ring as logic-capture makes it.

#include "acquisition/channels.h"
#include "acquisition/monotoniccounter.h"
#include "acquisition/perfcounter.h"
#include "acquisition/portlibrary.h"
#include "acquisition/samplingloop.h"
#include "acquisition/streamkeeper.h"
#include "acquisition/tscclock.h"
#include "output/vcdwriter.h"
#include "vcdfixture.h"

#include <QtTest>

#include <dlfcn.h>
#include <thread>

namespace {

// The read clock of the streamed capture, keeping every stamp it gives; its first call
// comes before the first read.
std::vector<std::int64_t> stamps;

std::int64_t recordingClock()
{
    stamps.push_back(la::monotonicNs());
    return stamps.back();
}

// What the test library's lines show `t` ns after its first read: ch1 toggles every 50 us,
// ch5 every 170 us.
std::int16_t statusAt(std::int64_t t)
{
    return la::statusFor(((t / 50'000) % 2 ? 1u : 0u) | ((t / 170'000) % 2 ? 16u : 0u));
}

} // namespace

using namespace la;
using namespace la::test;

class TstVcdTiming : public QObject
{
    Q_OBJECT

private slots:
    void edgesAtTheirTrueTimes_data();
    void edgesAtTheirTrueTimes();
};

void TstVcdTiming::edgesAtTheirTrueTimes_data()
{
    QTest::addColumn<bool>("streamed");
    QTest::newRow("in memory") << false;
    QTest::newRow("streamed") << true;
}

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
    QFETCH(bool, streamed);
    setUp(StallAt, StallNs);
    // The reads, each read's time, the file and the reads' timing, by either road.
    Capture capture;
    std::string file;
    if (!streamed) {
        MonotonicCounter counter;
        cPerfCounter perf(counter);
        // The clock the programs use: where the time-stamp counter serves, its stamps are
        // placed on the library's CLOCK_MONOTONIC by pairs taken around the reads.
        capture = readCapture(port, perf, captureClock(), 0x379, 9999);
        file = captureToVcd(capture, "now");
    } else {
        stamps.clear();
        stamps.reserve(10000);
        ReadRing ring(1 << 15);
        StreamControl control;
        StreamProgress progress;
        VcdWriter writer(TextTarget{[&file](std::string_view piece) { file += piece; }, {}});
        StreamRequest request;
        request.samples = 9999;
        StreamKeeper keeper(ring, control, request, writer, progress);
        std::thread keeping([&] { keeper.run(); });
        StreamReader reader(ring, control);
        reader.start(port.inp32(), 0x379, recordingClock, 9999);
        keeping.join();
        reader.join();
        QCOMPARE(control.ending(), StreamEnd::Done);
        capture.times.assign(stamps.begin() + 1, stamps.end());
        capture.timing = keeper.summary().timing;
        writer.finish(keeper.summary());
    }
    long count = 0;
    const std::int64_t *truth = sampleTimes(&count);
    QCOMPARE(count, 9999L);
    if (streamed) {
        for (long i = 0; i < count; ++i)
            capture.reads.push_back(statusAt(truth[i] - truth[0]));
    }
    dlclose(handle);
    const std::vector<std::int64_t> &t = capture.times;
    QCOMPARE(t.size(), std::size_t(9999));

    // The stall is a pause after read 5000. Its gap runs from the timestamp of the read before
    // the stall, taken before the stalled read began, to the timestamp of the stalled read,
    // taken before the next read sampled.
    const ReadTiming &timing = capture.timing;
    const std::int64_t stallGap = t[StallAt] - t[StallAt - 1];
    QVERIFY2(stallGap >= StallNs && stallGap <= truth[StallAt + 1] - truth[StallAt - 1],
             qPrintable(QString::number(stallGap)));
    QVERIFY(stallGap > PauseFactor * timing.medianPeriodNs && timing.pauses >= 1);
    // The longest pause told is the longest gap there was: the stall, or a longer pause of a
    // busy machine elsewhere.
    std::int64_t longest = 0;
    for (std::size_t i = 1; i < t.size(); ++i)
        longest = std::max(longest, t[i] - t[i - 1]);
    QCOMPARE(timing.longestPauseNs, longest);
    const std::size_t after = timing.longestPauseAfter;
    QCOMPARE(t[after] - t[after - 1], longest);

    const ParsedVcd vcd = parseVcd(file);
    QVERIFY2(vcd.problem.empty(), vcd.problem.c_str());
    QCOMPARE(QString::fromStdString(vcd.header.at("$timescale")), QString("100 ns"));
    const double unitNs = 100;

    // The k-th change of a wire in the file is the k-th change of that line in the reads.
    const std::int64_t lineZero = truth[0]; // the lines count from the first read's sample
    const std::int64_t fileZero = t[0];
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
            QVERIFY(std::abs(written - double(t[read] - fileZero)) <= unitNs / 2 + 1);
            // And no later after the line really changed (the last edge before the read's
            // sample: ch1 toggles every 50 us, ch5 every 170 us) than the reads allow: the
            // change came after the previous read's sample, which came after the timestamp
            // of the read before that, so by at most the two gaps before this read.
            const std::int64_t half = k == 0 ? 50'000 : 170'000;
            const std::int64_t edge = (truth[read] - lineZero) / half * half;
            const double late = written - double(edge + lineZero - fileZero);
            const std::int64_t since = read >= 2 ? t[read - 2] : lineZero;
            const double allowed = double(t[read] - since) + unitNs;
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
