// The VCD of a capture: its header, the unit chosen for the read period, and that every
// change sits at the time of the read that saw it, so that the wires read back at each
// read's time give the lines' levels.

#include "output/csvwriter.h"
#include "output/safefile.h"
#include "output/vcdtimebase.h"
#include "output/vcdwriter.h"
#include "vcdfixture.h"
#include "version.h"

#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <bit>
#include <chrono>
#include <ctime>
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

// A file in memory, or a pipe (`rewritable` false).
TextTarget stringTarget(std::string &text, bool rewritable)
{
    TextTarget target{[&text](std::string_view piece) { text += piece; }, {}};
    if (rewritable)
        target.writeAt = [&text](std::uint64_t at, std::string_view piece) {
            text.replace(std::size_t(at), piece.size(), piece);
        };
    return target;
}

} // namespace

class TstVcdWriter : public QObject
{
    Q_OBJECT

private slots:
    void unit_data();
    void unit();
    void untimedReadsSpreadEvenly_data();
    void untimedReadsSpreadEvenly();
    void header();
    void levels_data();
    void levels();
    void changesSitAtTheirReadsTime();
    void timesIncreaseWhenTheClockDoesNot();
    void saveWritesTheCapture();
    void streamedFigures_data();
    void streamedFigures();
    void csvRows();
    void defaultFilesAsBefore_data();
    void defaultFilesAsBefore();
};

void TstVcdWriter::unit_data()
{
    QTest::addColumn<double>("periodNs");
    QTest::addColumn<QString>("timescale");
    QTest::newRow("1.04 us: ten ticks or more a read") << 1040.0 << "100 ns";
    QTest::newRow("exactly 1 us") << 1000.0 << "100 ns";
    QTest::newRow("just under 1 us") << 999.0 << "10 ns";
    QTest::newRow("50 ns") << 50.0 << "1 ns";
    QTest::newRow("200 us") << 200'000.0 << "10 us";
    QTest::newRow("1 s") << 1e9 << "100 ms";
    QTest::newRow("0.3 ns") << 0.3 << "10 ps";
    QTest::newRow("finer than 1 ps a tenth") << 0.005 << "1 ps";
    QTest::newRow("an hour: the coarsest unit") << 3.6e12 << "100 s";
}

void TstVcdWriter::unit()
{
    QFETCH(double, periodNs);
    QFETCH(QString, timescale);
    const VcdTimebase timebase = VcdTimebase::forPeriod(periodNs);
    QCOMPARE(QString::fromStdString(timebase.timescale()), timescale);
    // A read period is at least ten ticks, unless the finest unit cannot give them.
    const double tickNs = std::pow(10.0, timebase.unitExponent() + 9);
    QVERIFY(periodNs / tickNs >= 10 - 1e-9 || timebase.unitExponent() == -12);
    QVERIFY(periodNs / tickNs < 100 || timebase.unitExponent() == 2);
}

void TstVcdWriter::untimedReadsSpreadEvenly_data()
{
    QTest::addColumn<double>("elapsed");
    QTest::addColumn<QString>("timescale");
    QTest::addColumn<double>("unit"); // seconds per tick
    QTest::addColumn<bool>("measured");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("10 ms: 1.0001 us period") << 0.010 << "100 ns" << 1e-7 << true;
    QTest::newRow("2 s: 200 us period") << 2.0 << "10 us" << 1e-5 << true;
    QTest::newRow("no counter (-1): a microsecond a read") << -1.0 << "100 ns" << 1e-7 << false;
    QTest::newRow("not a number") << nan << "100 ns" << 1e-7 << false;
}

void TstVcdWriter::untimedReadsSpreadEvenly()
{
    QFETCH(double, elapsed);
    QFETCH(QString, timescale);
    QFETCH(double, unit);
    QFETCH(bool, measured);
    const ParsedVcd vcd = parseVcd(captureToVcd(captured(staggered, elapsed), Date));
    QVERIFY2(vcd.problem.empty(), vcd.problem.c_str());
    QCOMPARE(QString::fromStdString(vcd.header.at("$timescale")), timescale);
    const double period = measured ? elapsed : 9999e-6;
    auto tickOf = [&](int sample) { return expectedTick(sample, period, unit); };
    QCOMPARE(vcd.times.front(), std::uint64_t(0));
    QCOMPARE(vcd.times.back(), std::uint64_t(std::llround(period / unit)));
    QVERIFY(vcd.sampled(tickOf) == expectedLevels(staggered));
    bool saysSo = false;
    for (const std::string &comment : vcd.comments)
        saysSo = saysSo || comment.find("not timed one by one") != std::string::npos;
    QVERIFY(saysSo);
}

void TstVcdWriter::header()
{
    const Capture capture = timedCapture(staggered, everyMicrosecond(2'000'000, 5000));
    const ParsedVcd vcd = parseVcd(captureToVcd(capture, Date));
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

    // Where each wire is clipped on: the pin, and the status bit the program reads; then
    // what was read and how the reads were spaced.
    for (const char *says :
         {"ch1: status bit 4, connector pin 13", "ch2: status bit 5, connector pin 12",
          "ch3: status bit 7 (Busy, read inverted), connector pin 11",
          "ch4: status bit 6, connector pin 10", "ch5: status bit 3, connector pin 15",
          "9999 reads of the status register at 0x379 (port 0x378); 1 = line high.",
          "Capture time 11.998 ms as measured; median read period 1.000 us. Each change is "
          "written at the time of the read that first saw it.",
          "1 pause longer than 3 median periods; the longest 2001.000 us after read 5000 (at "
          "4.999 ms). The reads say nothing of the lines during a pause."}) {
        QVERIFY2(std::find(vcd.comments.begin(), vcd.comments.end(), says) != vcd.comments.end(),
                 says);
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
    // Reads about a microsecond apart, each 0..300 ns late: no two fall on one 100 ns tick
    // the same way, so the file must follow each read's own time.
    const Capture capture =
        timedCapture(pattern, [](int i) { return std::int64_t(i) * 1000 + (i * 7919) % 301; });
    const ParsedVcd vcd = parseVcd(captureToVcd(capture, Date));
    QVERIFY2(vcd.problem.empty(), vcd.problem.c_str());
    QCOMPARE(QString::fromStdString(vcd.header.at("$timescale")), QString("100 ns"));
    QVERIFY(vcd.sampled([&](int i) { return tickOfRead(capture, i, 100); }) ==
            expectedLevels(pattern));

    // Only changes follow $dumpvars, and no timestamp stands without one but the last,
    // which lies one median period after the last read.
    QCOMPARE(int(vcd.changes.size()), transitions(pattern));
    std::map<char, char> now = vcd.initial;
    for (const VcdChange &change : vcd.changes) {
        QVERIFY2(now[change.id] != change.value, "a value written that did not change");
        now[change.id] = change.value;
    }
    const std::uint64_t end = std::uint64_t(std::llround(
        double(capture.times.back() - capture.times.front() + capture.timing.medianPeriodNs) /
        100));
    std::set<std::uint64_t> expectedTimes{0, end};
    for (const VcdChange &change : vcd.changes)
        expectedTimes.insert(change.time);
    QCOMPARE(std::set<std::uint64_t>(vcd.times.begin(), vcd.times.end()), expectedTimes);
    QCOMPARE(vcd.times.size(), expectedTimes.size());
}

void TstVcdWriter::changesSitAtTheirReadsTime()
{
    // A 2 ms pause after read 5000: everything after it must move on by 2 ms, nothing
    // before it.
    const Capture capture = timedCapture(staggered, everyMicrosecond(2'000'000, 5000));
    const ParsedVcd vcd = parseVcd(captureToVcd(capture, Date));
    QVERIFY2(vcd.problem.empty(), vcd.problem.c_str());
    std::set<std::uint64_t> expected;
    for (int i = FirstSample + 1; i <= LastSample; ++i) {
        if (staggered(i) != staggered(i - 1))
            expected.insert(tickOfRead(capture, i, 100));
    }
    std::set<std::uint64_t> written;
    for (const VcdChange &change : vcd.changes)
        written.insert(change.time);
    QVERIFY(written == expected);
    QVERIFY(written.count(50'000) == 0 && written.count(70'000) == 1); // ch5 at read 5001
}

void TstVcdWriter::timesIncreaseWhenTheClockDoesNot()
{
    // A clock that stands still must not give readers a file whose times go backwards or
    // stand: each change moves on by a tick.
    const Capture capture = timedCapture(staggered, [](int) { return std::int64_t(42); });
    const ParsedVcd vcd = parseVcd(captureToVcd(capture, Date));
    QVERIFY2(vcd.problem.empty(), vcd.problem.c_str());
    QCOMPARE(QString::fromStdString(vcd.header.at("$timescale")), QString("100 ns"));
    QCOMPARE(vcd.times.size(), std::size_t(LastSample + 1)); // ch1 changes at every read
}

void TstVcdWriter::saveWritesTheCapture()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string path = dir.filePath("capture.vcd").toStdString();
    Capture capture = captured(staggered, 0.010);
    // Made long before it is saved: the file carries the time of its first read.
    std::tm made{};
    made.tm_year = 2001 - 1900;
    made.tm_mon = 1;
    made.tm_mday = 3;
    made.tm_hour = 4;
    made.tm_min = 5;
    made.tm_sec = 6;
    made.tm_isdst = -1;
    capture.firstReadAt = std::chrono::system_clock::from_time_t(std::mktime(&made));
    saveCaptureAsVcd(path, capture);

    std::ifstream in(path);
    const std::string written((std::istreambuf_iterator<char>(in)), {});
    const ParsedVcd vcd = parseVcd(written);
    QVERIFY2(vcd.problem.empty(), vcd.problem.c_str());
    QCOMPARE(QString::fromStdString(vcd.header.at("$date")), QString("2001-02-03 04:05:06"));
    QCOMPARE(written, captureToVcd(capture, "2001-02-03 04:05:06"));

    QVERIFY_THROWS_EXCEPTION(
        FileWriteError,
        saveCaptureAsVcd(dir.filePath("missing/capture.vcd").toStdString(), capture));
}

void TstVcdWriter::streamedFigures_data()
{
    QTest::addColumn<bool>("rewritable"); // a file, or a pipe
    QTest::addColumn<int>("reads");
    QTest::addColumn<QStringList>("says"); // comments the header must hold
    const QString file = "%1 reads of the status register at 0x379 (port 0x378); 1 = line high.";
    QTest::newRow("a file: the figures in its header")
        << true << 200'000
        << QStringList{file.arg(200000),
                       "Capture time 200.000 ms as measured; median read period 1.000 us. Each "
                       "change is written at the time of the read that first saw it.",
                       "No pauses: no gap between two reads longer than 3 median periods.",
                       "The reads ran at real-time priority (SCHED_FIFO) 90% of the time.",
                       "This capture ended by SIGINT (Ctrl-C)."};
    QTest::newRow("a pipe: the figures go to standard error")
        << false << 200'000
        << QStringList{"Reads of the status register at 0x379 (port 0x378); 1 = line high.",
                       "Written as the capture ran; each change is written at the time of the "
                       "read that first saw it. The count of reads, the capture time, the median "
                       "read period and the pauses are known only at the end, and go to "
                       "standard error."};
    QTest::newRow("a single read")
        << true << 1
        << QStringList{"1 read of the status register at 0x379 (port 0x378); 1 = line high.",
                       "A single read, which has no period to measure; its levels stand at time "
                       "0."};
}

void TstVcdWriter::streamedFigures()
{
    // A capture streamed to a file gets the figures known only at its end into room kept in
    // its header, even once the header has long been handed on; a pipe cannot be written
    // again and is told where they go. The changes are the same either way.
    QFETCH(bool, rewritable);
    QFETCH(int, reads);
    QFETCH(QStringList, says);
    std::string text;
    const TextTarget target = stringTarget(text, rewritable);
    VcdWriter writer(target);
    CaptureStart start;
    start.date = Date;
    writer.begin(start, statusByte(0));
    // ch1 toggles at every read, a microsecond apart: more than a megabyte of changes.
    for (int i = 1; i < reads; ++i)
        writer.change(std::int64_t(i) * 1000, statusByte(unsigned(i % 2)));
    CaptureSummary summary;
    summary.reads = std::uint64_t(reads);
    summary.elapsedSeconds = reads * 1e-6;
    summary.periodNs = 1000;
    summary.timing.medianPeriodNs = reads > 1 ? 1000 : 0;
    summary.endNs = std::int64_t(reads) * 1000;
    summary.priority = ReadPriority{0.9, ""};
    summary.ending = "ended by SIGINT (Ctrl-C)";
    writer.finish(summary);
    QVERIFY(text.size() > (reads > 1 ? TextOutput::PieceSize : 0));

    const ParsedVcd vcd = parseVcd(text);
    QVERIFY2(vcd.problem.empty(), vcd.problem.c_str());
    for (const QString &comment : says) {
        QVERIFY2(std::find(vcd.comments.begin(), vcd.comments.end(), comment.toStdString()) !=
                     vcd.comments.end(),
                 qPrintable(comment));
    }
    QCOMPARE(vcd.header.at("$timescale"), std::string("100 ns"));
    QCOMPARE(vcd.changes.size(), std::size_t(reads - 1));
    QCOMPARE(vcd.times.back(), std::uint64_t(reads) * 10);
}

void TstVcdWriter::csvRows()
{
    // A row for the first read, one per change, one at the end; times in seconds with
    // nanosecond digits, increasing even where two reads share a nanosecond.
    std::string text;
    CsvWriter writer(TextTarget{[&text](std::string_view piece) { text += piece; }, {}});
    writer.begin(CaptureStart{}, statusByte(0x04)); // ch3 high: Busy reads inverted
    writer.change(1500, statusByte(0x05));
    writer.change(1500, statusByte(0x15));
    writer.change(2'000'000'123, statusByte(0x00));
    CaptureSummary summary;
    summary.reads = 4000;
    summary.endNs = 2'000'001'123;
    writer.finish(summary);
    QCOMPARE(text, std::string("time,ch1,ch2,ch3,ch4,ch5\n"
                               "0.000000000,0,0,1,0,0\n"
                               "0.000001500,1,0,1,0,0\n"
                               "0.000001501,1,0,1,0,1\n"
                               "2.000000123,0,0,0,0,0\n"
                               "2.000001123,0,0,0,0,0\n"));
}

void TstVcdWriter::defaultFilesAsBefore_data()
{
    // The five status lines' files as written before lines could be chosen (golden/), for
    // the same reads: a file, its figures in the room kept; a pipe, with a trigger; the CSV.
    QTest::addColumn<QString>("golden");
    QTest::addColumn<bool>("rewritable");
    QTest::newRow("VCD file") << "golden/default-file.vcd" << true;
    QTest::newRow("VCD through a pipe, triggered") << "golden/default-pipe.vcd" << false;
    QTest::newRow("CSV") << "golden/default.csv" << false;
}

void TstVcdWriter::defaultFilesAsBefore()
{
    QFETCH(QString, golden);
    QFETCH(bool, rewritable);
    std::string text;
    const TextTarget target = stringTarget(text, rewritable);
    std::unique_ptr<ChangeSink> writer = std::make_unique<VcdWriter>(target);
    if (golden.endsWith(".csv"))
        writer = std::make_unique<CsvWriter>(target);
    // Bits that carry no line change too, and a high byte.
    const std::int16_t reads[] = {0x00, 0x10, 0x17, 0x30, 0x130, 0x70, 0xF8,
                                  0xF8, 0x78, 0x08, 0x88, 0x8F,  0x00};
    CaptureStart start;
    start.date = Date;
    if (golden.contains("pipe"))
        start.trigger = TriggerFigures{3, "ch1:rise", 3000, 5000};
    ChangeKeeper keeper(*writer);
    keeper.begin(start, statusSample(reads[0]));
    std::int64_t ns = 0;
    for (std::size_t i = 1; i < std::size(reads); ++i)
        keeper.keep(ns += 1000 + std::int64_t(i) * 37, statusSample(reads[i]));
    CaptureSummary summary;
    summary.reads = std::size(reads);
    summary.elapsedSeconds = 14e-6;
    summary.periodNs = 1000;
    summary.timing = ReadTiming{1000, 1, 5000, 4};
    summary.longestPauseAtNs = 4000;
    summary.endNs = ns + 1000;
    summary.priority = ReadPriority{1.0, ""};
    summary.trigger = start.trigger;
    summary.ending = "ended by SIGINT (Ctrl-C)";
    writer->finish(summary);
    QFile file(QFINDTESTDATA(golden));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(text, file.readAll().replace("@LA_VERSION@", LA_VERSION).toStdString());
}

QTEST_APPLESS_MAIN(TstVcdWriter)
#include "tst_vcdwriter.moc"
