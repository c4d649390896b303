// The VCD of a capture: its header, the time base chosen for the measured time, and that
// the wires read back at each sample's time give the lines' levels.

#include "acquisition/safefile.h"
#include "acquisition/vcdwriter.h"
#include "vcdfixture.h"
#include "version.h"

#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <bit>
#include <fstream>
#include <limits>
#include <set>

using namespace la;
using namespace la::test;

Q_DECLARE_METATYPE(la::test::Pattern)

namespace {

const char *const Date = "2024-05-01 14:03:27";

std::vector<unsigned> expectedLevels(const Pattern &pattern)
{
    std::vector<unsigned> levels;
    for (int i = FirstSample; i <= LastSample; ++i)
        levels.push_back(pattern(i));
    return levels;
}

int transitions(const Pattern &pattern)
{
    int count = 0;
    for (int i = FirstSample + 1; i <= LastSample; ++i)
        count += std::popcount(pattern(i) ^ pattern(i - 1));
    return count;
}

} // namespace

class TstVcdWriter : public QObject
{
    Q_OBJECT

private slots:
    void timeBase_data();
    void timeBase();
    void header();
    void levels_data();
    void levels();
    void subPicosecondPeriodStillAdvances();
    void saveWritesTheCapture();
};

void TstVcdWriter::timeBase_data()
{
    QTest::addColumn<double>("elapsed");
    QTest::addColumn<QString>("timescale");
    QTest::addColumn<double>("unit"); // seconds per tick
    QTest::addColumn<bool>("measured");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("10 ms: 1.0001 us period") << 0.010 << "10 ns" << 1e-8 << true;
    QTest::newRow("0.5 ms: 50 ns period") << 0.0005 << "100 ps" << 1e-10 << true;
    QTest::newRow("2 s: 200 us period") << 2.0 << "1 us" << 1e-6 << true;
    QTest::newRow("period of exactly 1 us") << 0.009999 << "10 ns" << 1e-8 << true;
    QTest::newRow("period of 1 ns") << 9.999e-6 << "10 ps" << 1e-11 << true;
    QTest::newRow("one hour") << 3600.0 << "1 ms" << 1e-3 << true;
    QTest::newRow("no counter (-1)") << -1.0 << "1 us" << 1e-6 << false;
    QTest::newRow("zero time") << 0.0 << "1 us" << 1e-6 << false;
    QTest::newRow("not a number") << nan << "1 us" << 1e-6 << false;
    QTest::newRow("infinite") << inf << "1 us" << 1e-6 << false;
}

void TstVcdWriter::timeBase()
{
    QFETCH(double, elapsed);
    QFETCH(QString, timescale);
    QFETCH(double, unit);
    QFETCH(bool, measured);
    const ParsedVcd vcd = parseVcd(captureToVcd(captured(staggered, elapsed), Date));
    QVERIFY2(vcd.problem.empty(), vcd.problem.c_str());
    QCOMPARE(QString::fromStdString(vcd.header.at("$timescale")), timescale);

    auto tickOf = [&](int sample) {
        return measured ? expectedTick(sample, elapsed, unit) : std::uint64_t(sample - 1);
    };
    // The last timestamp closes the last sample, one period after it: the whole capture.
    const std::uint64_t end = measured ? std::uint64_t(std::llround(elapsed / unit)) : 9999;
    QCOMPARE(vcd.times.front(), std::uint64_t(0));
    QCOMPARE(vcd.times.back(), end);
    QVERIFY(vcd.sampled(tickOf) == expectedLevels(staggered));

    bool saysNoCounter = false;
    for (const std::string &comment : vcd.comments)
        saysNoCounter = saysNoCounter || comment.find("no counter") != std::string::npos;
    QCOMPARE(saysNoCounter, !measured);
}

void TstVcdWriter::header()
{
    const ParsedVcd vcd = parseVcd(captureToVcd(captured(staggered, 0.010), Date));
    QVERIFY2(vcd.problem.empty(), vcd.problem.c_str());
    QCOMPARE(vcd.header.at("$date"), std::string(Date));
    QCOMPARE(vcd.header.at("$version"), std::string("logic-analyzer " LA_VERSION));
    QCOMPARE(vcd.scope, std::string("module probe"));

    QCOMPARE(vcd.vars.size(), std::size_t(5));
    std::set<char> ids;
    for (std::size_t k = 0; k < 5; ++k) {
        QCOMPARE(vcd.vars[k].second, "ch" + std::to_string(k + 1));
        ids.insert(vcd.vars[k].first);
    }
    QCOMPARE(ids.size(), std::size_t(5));
    QCOMPARE(vcd.initial.size(), std::size_t(5));

    // Where each wire is clipped on: the pin, and the status bit the program reads.
    for (const char *wiring :
         {"ch1: status bit 4, connector pin 13", "ch2: status bit 5, connector pin 12",
          "ch3: status bit 7 (Busy, read inverted), connector pin 11",
          "ch4: status bit 6, connector pin 10", "ch5: status bit 3, connector pin 15"}) {
        QVERIFY2(std::find(vcd.comments.begin(), vcd.comments.end(), wiring) != vcd.comments.end(),
                 wiring);
    }
}

void TstVcdWriter::levels_data()
{
    QTest::addColumn<Pattern>("pattern");
    QTest::newRow("all low") << Pattern([](int) { return 0u; });
    QTest::newRow("all high") << Pattern([](int) { return 0x1Fu; });
    QTest::newRow("staggered") << Pattern(staggered);
    // Busy reads inverted; the wire must still show the line.
    QTest::newRow("ch3 alone high") << Pattern([](int) { return 0x04u; });
    QTest::newRow("ch3 high for the second half")
        << Pattern([](int i) { return i > 5000 ? 0x04u : 0u; });
    QTest::newRow("first sample differs") << Pattern([](int i) { return i == 1 ? 0x1Fu : 0u; });
    QTest::newRow("last sample differs")
        << Pattern([](int i) { return i == LastSample ? 0x11u : 0u; });
}

void TstVcdWriter::levels()
{
    QFETCH(Pattern, pattern);
    // A period of exactly 1 us: 100 ticks of 10 ns per sample.
    const ParsedVcd vcd = parseVcd(captureToVcd(captured(pattern, 0.009999), Date));
    QVERIFY2(vcd.problem.empty(), vcd.problem.c_str());
    QVERIFY(vcd.sampled([](int i) { return std::uint64_t(i - 1) * 100; }) ==
            expectedLevels(pattern));

    // Only changes follow $dumpvars, and no timestamp stands without one but the last.
    QCOMPARE(int(vcd.changes.size()), transitions(pattern));
    std::map<char, char> now = vcd.initial;
    for (const VcdChange &change : vcd.changes) {
        QVERIFY2(now[change.id] != change.value, "a value written that did not change");
        now[change.id] = change.value;
    }
    std::set<std::uint64_t> expectedTimes{0, 999900};
    for (const VcdChange &change : vcd.changes)
        expectedTimes.insert(change.time);
    QCOMPARE(std::set<std::uint64_t>(vcd.times.begin(), vcd.times.end()), expectedTimes);
    QCOMPARE(vcd.times.size(), expectedTimes.size());
}

void TstVcdWriter::subPicosecondPeriodStillAdvances()
{
    // No port is read in 1 ns, but a broken counter may say so: the times must still
    // increase, or readers refuse the file.
    const ParsedVcd vcd = parseVcd(captureToVcd(captured(staggered, 1e-9), Date));
    QVERIFY2(vcd.problem.empty(), vcd.problem.c_str());
    QCOMPARE(QString::fromStdString(vcd.header.at("$timescale")), QString("1 ps"));
    QCOMPARE(vcd.times.size(), std::size_t(LastSample + 1)); // ch1 changes at every sample
}

void TstVcdWriter::saveWritesTheCapture()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string path = dir.filePath("capture.vcd").toStdString();
    const Capture capture = captured(staggered, 0.010);
    saveCaptureAsVcd(path, capture);

    std::ifstream in(path);
    const std::string written((std::istreambuf_iterator<char>(in)), {});
    const ParsedVcd vcd = parseVcd(written);
    QVERIFY2(vcd.problem.empty(), vcd.problem.c_str());
    // The same file captureToVcd makes, but for the date.
    const std::string date = vcd.header.at("$date");
    QCOMPARE(written, captureToVcd(capture, date));

    QVERIFY_THROWS_EXCEPTION(
        FileWriteError,
        saveCaptureAsVcd(dir.filePath("missing/capture.vcd").toStdString(), capture));
}

QTEST_APPLESS_MAIN(TstVcdWriter)
#include "tst_vcdwriter.moc"
