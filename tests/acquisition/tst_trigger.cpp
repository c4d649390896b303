// Triggered captures on a fake port and clock: what each condition means, where the capture
// keeps its reads around the first read the condition holds at, and every malformed
// condition refused with its own message; conditions on the data and control lines over
// whole sample words, and refused when they watch a line not chosen.

#include "acquisition/channelchoice.h"
#include "acquisition/channels.h"
#include "acquisition/perfcounter.h"
#include "acquisition/samplingloop.h"
#include "acquisition/trigger.h"
#include "fakes.h"
#include "streamrig.h"

#include <QtTest>

using namespace la;
using la::test::fakePort;
using la::test::FakeReadClock;

namespace {

// The lines at the n-th read of the port (from 0), bit k for channel k + 1.
using Lines = std::function<unsigned(int n)>;
} // namespace
Q_DECLARE_METATYPE(Lines)
namespace {

Capture triggered(const std::string &condition, const Lines &lines, std::size_t count,
                  int pretrigger, std::int64_t timeoutNs = 1'000'000'000)
{
    test::FakePort port;
    fakePort().readValue = [lines](int n) { return std::int16_t(statusFor(lines(n))); };
    test::FakeCounter counter;
    cPerfCounter perf(counter);
    std::string error;
    CaptureRequest request;
    request.count = count;
    request.trigger = TriggerCondition::parse(condition, error);
    request.pretriggerPercent = pretrigger;
    request.timeoutNs = timeoutNs;
    return readCapture(port, perf, FakeReadClock::now, request);
}

// Which read of the port (from 0) a read of the capture was: the fake clock says.
int portRead(const Capture &capture, std::size_t i)
{
    return int((capture.times[i] - 1'000'000'000) / 1000) - 1;
}

} // namespace

class TstTrigger : public QObject
{
    Q_OBJECT

private slots:
    void position_data();
    void position();
    void streamedPosition_data() { position_data(); }
    void streamedPosition();
    void neverHolding();
    void anyLine_data();
    void anyLine();
    void notChosen_data();
    void notChosen();
    void malformed_data();
    void malformed();
};

void TstTrigger::position_data()
{
    QTest::addColumn<QString>("condition");
    QTest::addColumn<Lines>("lines");
    QTest::addColumn<int>("pretrigger");
    QTest::addColumn<int>("heldAt"); // the port read the condition first holds at
    QTest::addColumn<int>("kept");   // reads kept before it
    // ch1 rises at read 5000 and falls at read 7000; ch3 (Busy, inverted by the port) is
    // high from read 3000; ch5 toggles every 10 reads.
    const Lines lines = [](int n) {
        return (n >= 5000 && n < 7000 ? 1u : 0u) | (n >= 3000 ? 4u : 0u) |
               ((n / 10) % 2 ? 16u : 0u);
    };
    QTest::newRow("rise") << "ch1:rise" << lines << 10 << 5000 << 100;
    QTest::newRow("fall") << "ch1:fall" << lines << 10 << 7000 << 100;
    QTest::newRow("edge: the first, a rise") << "ch1:edge" << lines << 10 << 5000 << 100;
    QTest::newRow("high") << "ch1:high" << lines << 10 << 5000 << 100;
    QTest::newRow("low of an inverted line: ch3 is low before 3000")
        << "ch3:low" << lines << 10 << 0 << 0;
    QTest::newRow("high of an inverted line") << "ch3:high" << lines << 10 << 3000 << 100;
    QTest::newRow("combined: an edge while another line is high")
        << "ch1:high,ch5:fall" << lines << 10 << 5000 << 100;
    QTest::newRow("combined: the edge comes later")
        << "ch5:rise,ch1:high" << lines << 10 << 5010 << 100;
    QTest::newRow("no reads before") << "ch1:rise" << lines << 0 << 5000 << 0;
    QTest::newRow("most before") << "ch1:rise" << lines << 99 << 5000 << 990;
    QTest::newRow("sooner than the share: all there is") << "ch5:rise" << lines << 50 << 10 << 10;
    QTest::newRow("holds at the very first read") << "ch1:low" << lines << 10 << 0 << 0;
    QTest::newRow("an edge never holds at the first read") << "ch5:fall" << lines << 10 << 20 << 20;
}

void TstTrigger::position()
{
    QFETCH(QString, condition);
    QFETCH(Lines, lines);
    QFETCH(int, pretrigger);
    QFETCH(int, heldAt);
    QFETCH(int, kept);
    const Capture capture = triggered(condition.toStdString(), lines, 1000, pretrigger);
    QCOMPARE(capture.size(), std::size_t(1000));
    QVERIFY(capture.trigger);
    QCOMPARE(int(capture.trigger->read), kept);
    QCOMPARE(capture.trigger->condition, condition.toStdString());
    // The reads kept are one unbroken run of the port's, the trigger's in its place.
    QCOMPARE(portRead(capture, capture.trigger->read), heldAt);
    for (std::size_t i = 0; i < capture.size(); ++i)
        QCOMPARE(portRead(capture, i), heldAt - kept + int(i));
    QCOMPARE(int(fakePort().calls.size()), heldAt + 1000 - kept);
    QCOMPARE(capture.reads[capture.trigger->read], std::int16_t(statusFor(lines(heldAt))));
}

void TstTrigger::streamedPosition()
{
    // The same conditions on a streamed capture, kept on the other side of the ring.
    QFETCH(QString, condition);
    QFETCH(Lines, lines);
    QFETCH(int, pretrigger);
    QFETCH(int, heldAt);
    QFETCH(int, kept);
    test::FakePort port;
    fakePort().readValue = [lines](int n) { return std::int16_t(statusFor(lines(n))); };
    std::string error;
    StreamRequest request;
    request.samples = 1000;
    request.trigger = TriggerCondition::parse(condition.toStdString(), error);
    request.pretriggerPercent = pretrigger;
    const test::StreamRun run = test::keepStream(port.inp32(), FakeReadClock::now, request, 9000);
    QCOMPARE(run.summary.reads, std::uint64_t(1000));
    QVERIFY(run.summary.trigger);
    QCOMPARE(int(run.summary.trigger->read), kept);
    QCOMPARE(run.summary.trigger->condition, condition.toStdString());
    // The reads kept are one unbroken run of the port's, the trigger's in its place.
    QCOMPARE(run.summary.trigger->atNs, std::int64_t(kept) * 1000);
    QCOMPARE(run.summary.endNs, std::int64_t(1000) * 1000);
    QCOMPARE(run.sink.first, SampleWord(statusFor(lines(heldAt - kept))));
}

void TstTrigger::neverHolding()
{
    // ch2 never rises: after the timeout (1000 reads at 1 us), nothing.
    bool timedOut = false;
    try {
        triggered(
            "ch2:rise", [](int) { return 0u; }, 100, 10, 1'000'000);
    } catch (const TriggerTimeout &timeout) {
        timedOut = true;
        QVERIFY(timeout.reads() >= 1000 && timeout.reads() <= 1002);
    }
    QVERIFY(timedOut);
}

void TstTrigger::anyLine_data()
{
    QTest::addColumn<QString>("condition");
    QTest::addColumn<uint>("previous"); // sample words: status | data << 8 | control << 16
    QTest::addColumn<uint>("now");
    QTest::addColumn<bool>("holds");

    // Control bits 0, 1 and 3 read 1 while their pins are low; bit 2 (Init) does not.
    // clang-format off
    QTest::newRow("d3 rises")                    << "d3:rise" << 0x000000u << 0x000800u << true;
    QTest::newRow("d3 stays high: no rise")      << "d3:rise" << 0x000800u << 0x000800u << false;
    QTest::newRow("c0 Strobe rises: bit clears") << "c0:rise" << 0x010000u << 0x000000u << true;
    QTest::newRow("c0 low: bit set")             << "c0:low"  << 0x000000u << 0x010000u << true;
    QTest::newRow("c2 Init high: bit set")       << "c2:high" << 0x000000u << 0x040000u << true;
    QTest::newRow("c3 Select In falls: bit sets") << "c3:fall" << 0x000000u << 0x080000u << true;
    QTest::newRow("levels across the registers")
        << "d7:high,c1:low,ch3:high" << 0x000000u << 0x028000u << true;
    QTest::newRow("one level across the registers wrong")
        << "d7:high,c1:low,ch3:high" << 0x000000u << 0x028080u << false;
    // clang-format on
}

void TstTrigger::anyLine()
{
    QFETCH(QString, condition);
    QFETCH(uint, previous);
    QFETCH(uint, now);
    QFETCH(bool, holds);
    std::string error;
    const auto trigger = TriggerCondition::parse(condition.toStdString(), error);
    QVERIFY2(trigger, error.c_str());
    QCOMPARE(trigger->holds(SampleWord(previous), SampleWord(now)), holds);
    // A level alone holds at the first sample too; an edge never does.
    QCOMPARE(trigger->holdsAtFirst(SampleWord(now)), holds && !trigger->hasEdge());
}

void TstTrigger::notChosen_data()
{
    QTest::addColumn<QString>("condition");
    QTest::addColumn<QString>("channels"); // empty: the five status lines
    QTest::addColumn<QString>("message");  // empty: the trigger fits

    QTest::newRow("status lines by default") << "ch1:high,ch5:fall"
                                             << ""
                                             << "";
    QTest::newRow("a data line chosen in a range") << "d3:rise"
                                                   << "ch5,d0-d7"
                                                   << "";
    QTest::newRow("a status line left out")
        << "ch1:high,d0:low,c0:low,c1:low"
        << "d0"
        << "the trigger 'ch1:high,d0:low,c0:low,c1:low' watches ch1, c0 and c1, which are not "
           "among the lines --channels chooses: add them there, or trigger on a chosen line";
}

void TstTrigger::notChosen()
{
    QFETCH(QString, condition);
    QFETCH(QString, channels);
    QFETCH(QString, message);
    std::string error;
    const auto trigger = TriggerCondition::parse(condition.toStdString(), error);
    const auto choice =
        channels.isEmpty() ? ChannelChoice() : ChannelChoice::parse(channels.toStdString(), error);
    QVERIFY2(trigger && choice, error.c_str());
    QCOMPARE(QString::fromStdString(trigger->notChosen(choice->bits())), message);
}

void TstTrigger::malformed_data()
{
    QTest::addColumn<QString>("condition");
    QTest::addColumn<QString>("message");
    const QString allowed =
        "write L:rise, L:fall, L:edge, L:high or L:low with L a line ch1..ch5, d0..d7 or c0..c3, "
        "and join terms with commas, e.g. ch5:fall or ch1:high,d3:rise";
    QTest::newRow("empty") << ""
                           << "--trigger needs a condition: " + allowed;
    QTest::newRow("not a term") << "x5:fall"
                                << "'x5:fall' is not a trigger term: " + allowed;
    QTest::newRow("no number") << "ch:fall"
                               << "'ch:fall' is not a trigger term: " + allowed;
    QTest::newRow("channel 0")
        << "ch0:rise"
        << "there is no channel 0 in 'ch0:rise': the channels are ch1 to ch5";
    QTest::newRow("channel 12") << "ch12:rise"
                                << "there is no channel 12 in 'ch12:rise': the channels are ch1 "
                                   "to ch5";
    QTest::newRow("no condition") << "ch1"
                                  << "'ch1' says no condition: " + allowed;
    QTest::newRow("unknown condition")
        << "ch1:up"
        << "'up' in 'ch1:up' is not a condition: use rise, fall, edge, high or low";
    QTest::newRow("upper case") << "CH1:rise"
                                << "'CH1:rise' is not a trigger term: " + allowed;
    QTest::newRow("two edges") << "ch1:rise,ch2:fall"
                               << "the trigger 'ch1:rise,ch2:fall' has two edge terms (ch1:rise, "
                                  "ch2:fall): it can wait for one edge at a time";
    QTest::newRow("a channel twice") << "ch1:high,ch1:low"
                                     << "ch1 appears twice in the trigger 'ch1:high,ch1:low': "
                                        "give each line one term";
    QTest::newRow("a data line twice") << "d3:high,d3:rise"
                                       << "d3 appears twice in the trigger 'd3:high,d3:rise': "
                                          "give each line one term";
    QTest::newRow("data line 8")
        << "d8:rise"
        << "there is no data line 8 in 'd8:rise': the data lines are d0 to d7";
    QTest::newRow("trailing comma") << "ch1:high,"
                                    << "the trigger 'ch1:high,' has an empty term: " + allowed;
    QTest::newRow("space") << "ch1:high, ch2:low"
                           << "' ch2:low' is not a trigger term: " + allowed;
}

void TstTrigger::malformed()
{
    QFETCH(QString, condition);
    QFETCH(QString, message);
    std::string error;
    QVERIFY(!TriggerCondition::parse(condition.toStdString(), error));
    QCOMPARE(QString::fromStdString(error), message);
}

QTEST_APPLESS_MAIN(TstTrigger)
#include "tst_trigger.moc"
