// The capture cycle on a fake port and counter: reads, timing display, states, recovery.

#include "acquisition/channeldecoder.h"
#include "acquisition/elapsedformat.h"
#include "acquisition/samplingloop.h"
#include "fakes.h"
#include "output/vcdwriter.h"
#include "readpriority.h"

#include <QtTest>

#include <atomic>
#include <chrono>
#include <thread>

using namespace la;
using la::test::fakePort;
using la::test::PortCall;
using la::test::Rig;

namespace {
void click(Rig &rig, ButtonModel &button)
{
    rig.inst.gate.run([&] { button.click(); });
}
void tick(Rig &rig)
{
    rig.inst.gate.run([&] { rig.inst.panel.Timer1.fire(); });
}
Rig &poweredRig(Rig &rig)
{
    rig.start();
    rig.powerOn();
    return rig;
}
// Waits (bounded) for what another thread brings about.
template <class Condition> bool await(const Condition &holds)
{
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!holds() && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::yield();
    return holds();
}
} // namespace

class TstCapture : public QObject
{
    Q_OBJECT

private slots:
    void formatMilliseconds_data();
    void formatMilliseconds();
    void elapsedShown_data();
    void elapsedShown();
    void readsStatusRegister9999Times();
    void portChangeUsedByNextCapture();
    void statesThroughCycle();
    void redrawAfterCapture();
    void portFailureAbandonsCleanly_data();
    void portFailureAbandonsCleanly();
    void tooltipTellsThePauses();
    void failureOffersAWayOn_data();
    void failureOffersAWayOn();
    void windowAndCommandLineWriteTheSameFile();
    void stopEndsTheReads();
    void dateIsTheFirstReads();
};

void TstCapture::formatMilliseconds_data()
{
    QTest::addColumn<double>("ms");
    QTest::addColumn<QString>("text");
    QTest::newRow("12.3 ms") << 12.3 << "012.3";
    QTest::newRow("0.4 ms") << 0.4 << "000.4";
    QTest::newRow("1500 ms") << 1500.0 << "1500.0";
    QTest::newRow("no counter") << -1000.0 << "-1000.0";
    QTest::newRow("zero") << 0.0 << "000.0";
    QTest::newRow("half rounds away from zero") << 0.05 << "000.1";
    QTest::newRow("exact binary half rounds up") << 0.25 << "000.3";
    QTest::newRow("just under a half") << 12.3449 << "012.3";
    QTest::newRow("rounds into the next digit") << 99.96 << "100.0";
    QTest::newRow("small negative") << -0.5 << "-000.5";
    QTest::newRow("negative that rounds to zero") << -0.04 << "000.0";
}

void TstCapture::formatMilliseconds()
{
    QFETCH(double, ms);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(la::formatMilliseconds(ms)), text);
}

void TstCapture::elapsedShown_data()
{
    QTest::addColumn<bool>("hasCounter");
    QTest::addColumn<qint64>("ticks"); // between Reset and Elapsed, at 1 MHz
    QTest::addColumn<QString>("text");
    QTest::newRow("0.0123 s") << true << qint64(12300) << "012.3";
    QTest::newRow("0.0004 s") << true << qint64(400) << "000.4";
    QTest::newRow("1.5 s") << true << qint64(1500000) << "1500.0";
    QTest::newRow("no counter") << false << qint64(12300) << "-1000.0";
}

void TstCapture::elapsedShown()
{
    QFETCH(bool, hasCounter);
    QFETCH(qint64, ticks);
    QFETCH(QString, text);
    Rig rig;
    poweredRig(rig);
    rig.counter.hasCounter = hasCounter;
    rig.counter.advancePerRead = ticks;
    QCOMPARE(rig.inst.panel.Text1.text(), std::string("uS"));
    QVERIFY(rig.inst.capture.perf() == nullptr);
    rig.capture();
    QVERIFY(rig.inst.capture.perf() != nullptr);
    QCOMPARE(QString::fromStdString(rig.inst.panel.Text1.text()), text);
    QCOMPARE(rig.inst.panel.led1.backColour(), LampUnlit); // decoding went on all the same
}

void TstCapture::readsStatusRegister9999Times()
{
    Rig rig;
    poweredRig(rig);
    fakePort().readValue = [](int n) { return std::int16_t(n * 7 % 256); };
    rig.capture();
    const auto &calls = fakePort().calls;
    QCOMPARE(int(calls.size()), 9999);
    for (const PortCall &c : calls)
        QVERIFY(c == (PortCall{'r', 889, 0}));
    for (int i = 1; i <= 9999; ++i)
        QCOMPARE(int(*rig.inst.data.samples[i]), (i - 1) * 7 % 256);
    QVERIFY(!rig.inst.data.samples[0].has_value());
    QVERIFY(!rig.inst.data.samples[10000].has_value());
    QCOMPARE(rig.inst.capture.completedCaptures(), 1);
}

void TstCapture::portChangeUsedByNextCapture()
{
    Rig rig;
    poweredRig(rig);
    rig.capture();
    rig.inst.gate.run([&] { rig.inst.portPanel.Combo1.choose(2); }); // "&H278"
    fakePort().calls.clear();
    rig.capture();
    QCOMPARE(int(fakePort().calls.size()), 9999);
    QCOMPARE(int(fakePort().calls.front().address), 0x279);
    QCOMPARE(int(fakePort().calls.back().address), 0x279);
}

void TstCapture::statesThroughCycle()
{
    Rig rig;
    poweredRig(rig);
    FrontPanel &p = rig.inst.panel;
    QVERIFY(p.Command5.enabled());
    QVERIFY(!p.Timer1.enabled());
    click(rig, p.Command5);
    QVERIFY(!p.Command5.enabled());
    QVERIFY(p.Timer1.enabled());
    QCOMPARE(p.get_led.backColour(), rgb(255, 0, 0));
    click(rig, p.Command5); // disabled: a second arming is impossible
    QVERIFY(fakePort().calls.empty());
    tick(rig);
    QVERIFY(p.Command5.enabled());
    QVERIFY(!p.Timer1.enabled());
    QCOMPARE(p.get_led.backColour(), rgb(121, 26, 13));
    tick(rig); // one-shot: a stray tick of a disabled timer reads nothing
    QCOMPARE(int(fakePort().calls.size()), 9999);
}

void TstCapture::redrawAfterCapture()
{
    Rig rig;
    poweredRig(rig);
    fakePort().readValue = [](int) { return std::int16_t(0x10); };
    rig.screen.ops.clear();
    rig.capture();
    QCOMPARE(QString::fromStdString(rig.screen.summary()), QString("clear sweep grid"));
    QCOMPARE(rig.pixel(20, 35), qRgb(70, 200, 180));
    QCOMPARE(rig.inst.panel.led1.backColour(), LampLit);
    QCOMPARE(rig.inst.panel.led3.backColour(), LampLit);
    QCOMPARE(rig.inst.panel.led2.backColour(), LampUnlit);
}

void TstCapture::portFailureAbandonsCleanly_data()
{
    QTest::addColumn<bool>("atLookup");
    QTest::newRow("library cannot be bound") << true;
    QTest::newRow("port cannot be reached") << false;
}

void TstCapture::portFailureAbandonsCleanly()
{
    QFETCH(bool, atLookup);
    Rig rig;
    poweredRig(rig);
    fakePort().readValue = [](int) { return std::int16_t(0x10); };
    rig.capture(); // a good capture first: its results must survive the failed one
    const std::string text = rig.inst.panel.Text1.text();
    fakePort().readValue = [](int) { return std::int16_t(-1); };
    (atLookup ? fakePort().lookupFailure : fakePort().deviceFailure) =
        "no port here; try --simulate";
    rig.screen.ops.clear();
    rig.capture();

    FrontPanel &p = rig.inst.panel;
    QVERIFY(!p.Timer1.enabled());
    QVERIFY(p.Command5.enabled());
    QCOMPARE(p.get_led.backColour(), rgb(121, 26, 13));
    QCOMPARE(p.Text1.text(), text);
    QCOMPARE(int(*rig.inst.data.samples[5]), 0x10);
    QCOMPARE(int(rig.inst.data.trace1[5]), 35);
    QCOMPARE(rig.platform.events,
             (std::vector<std::string>{"message: Capture failed: no port here; try --simulate"}));
    QVERIFY(!rig.inst.gate.ended());
    QCOMPARE(QString::fromStdString(rig.screen.summary()), QString());

    fakePort().lookupFailure.clear(); // the user fixed it: the next "get" works
    fakePort().readValue = [](int) { return std::int16_t(0x20); };
    rig.capture();
    QCOMPARE(int(rig.inst.data.trace2[5]), 100);
    QCOMPARE(rig.inst.capture.completedCaptures(), 2);
}

void TstCapture::tooltipTellsThePauses()
{
    Rig rig;
    poweredRig(rig);
    rig.counter.advancePerRead = 12'300; // 12.3 ms at 1 MHz
    test::FakeReadClock::state().stall = 2'000'000;
    test::FakeReadClock::state().stallAt = 4512; // the 4513th read returns 2 ms late
    fakePort().source = "the port at 0x378 through /dev/parport0";
    rig.capture();
    QCOMPARE(rig.inst.panel.Text1.text(), std::string("012.3")); // the box as it always was
    QCOMPARE(QString::fromStdString(rig.inst.panel.Text1.toolTip()),
             QString("9999 reads in 12.30 ms, 1.00 µs each; 1 pause of 2.00 ms after read 4512; ") +
                 QString::fromStdString(test::priorityWords()) +
                 "; from the port at 0x378 through /dev/parport0");
    const Capture &last = *rig.inst.capture.lastCapture();
    QCOMPARE(last.times.size(), std::size_t(9999));
    QCOMPARE(last.times[4512] - last.times[4511], std::int64_t(2'001'000));
}

void TstCapture::failureOffersAWayOn_data()
{
    QTest::addColumn<bool>("taken");
    QTest::newRow("OK: the message as it was") << false;
    QTest::newRow("the offer taken") << true;
}

void TstCapture::failureOffersAWayOn()
{
    QFETCH(bool, taken);
    Rig rig;
    poweredRig(rig);
    int switched = 0;
    rig.inst.capture.offerOnFailure("Use the simulated probe", [&] {
        ++switched;
        fakePort().lookupFailure.clear(); // what the probe gives: a port that reads
    });
    rig.platform.takeOffers = taken;
    fakePort().lookupFailure = "no port here";
    rig.capture();
    QCOMPARE(rig.platform.events,
             (std::vector<std::string>{"message: Capture failed: no port here [Use the simulated "
                                       "probe]"}));
    QCOMPARE(switched, taken ? 1 : 0);
    QVERIFY(rig.inst.panel.Command5.enabled()); // the cycle ended as it always does
    rig.capture();
    QCOMPARE(rig.inst.capture.completedCaptures(), taken ? 1 : 0);
    // Offered once: a failure after the switch says so plainly.
    fakePort().lookupFailure = "gone again";
    rig.capture();
    QCOMPARE(rig.platform.events.back(),
             std::string(taken ? "message: Capture failed: gone again"
                               : "message: Capture failed: gone again [Use the simulated probe]"));
}

void TstCapture::windowAndCommandLineWriteTheSameFile()
{
    // The same reads at the same times give the same file, whether the window's capture
    // cycle made them or readCapture alone, as logic-capture does.
    auto pattern = [](int n) {
        return std::int16_t((n / 37) % 2 ? 0xF8 : (n / 101) % 2 ? 0x18 : 0);
    };
    Rig rig;
    poweredRig(rig);
    fakePort().readValue = pattern;
    rig.capture();
    const std::string fromWindow = captureToVcd(*rig.inst.capture.lastCapture(), "then");

    test::FakePort port;
    fakePort().readValue = pattern;
    test::FakeCounter counter;
    cPerfCounter perf(counter);
    const Capture direct = readCapture(port, perf, test::FakeReadClock::now, 889, 9999);
    QCOMPARE(captureToVcd(direct, "then"), fromWindow);
    QVERIFY(fromWindow.find("#0\n$dumpvars") != std::string::npos);
}

void TstCapture::stopEndsTheReads()
{
    // While read 101 of a capture is under way, the reads are told to stop: they end after
    // it, the capture is dropped whole, and the one on show stays.
    Rig rig;
    poweredRig(rig);
    rig.capture();
    const std::string shown = rig.inst.panel.Text1.text();
    fakePort().calls.clear();
    std::atomic<bool> inRead{false};
    std::atomic<bool> goOn{false};
    fakePort().readValue = [&](int n) {
        if (n == 9999 + 100) {
            inRead = true;
            await([&] { return goOn.load(); });
        }
        return std::int16_t(0x10);
    };
    rig.platform.waiting = [&](const std::function<bool()> &done, int) {
        if (!goOn) {
            await([&] { return inRead.load(); });
            rig.inst.capture.stop();
            goOn = true;
        }
        return await(done);
    };
    rig.screen.ops.clear();
    rig.capture();

    const std::vector<PortCall> calls(101, PortCall{'r', 889, 0});
    QCOMPARE(fakePort().calls, calls);
    const FrontPanel &p = rig.inst.panel;
    QCOMPARE(p.get_led.backColour(), CaptureCycle::LampDone);
    QVERIFY(!p.Timer1.enabled());
    QVERIFY(p.Command5.enabled());
    QCOMPARE(p.Text1.text(), shown);
    QCOMPARE(int(*rig.inst.data.samples[1]), 0);
    QCOMPARE(rig.inst.capture.completedCaptures(), 1);
    QCOMPARE(QString::fromStdString(rig.screen.summary()), QString()); // no sweep of half a capture
    QCOMPARE(rig.platform.events, std::vector<std::string>());
    rig.capture(); // nothing is read after a stop: the program is ending
    QCOMPARE(fakePort().calls, calls);
}

void TstCapture::dateIsTheFirstReads()
{
    Rig rig;
    poweredRig(rig);
    std::chrono::system_clock::time_point firstRead;
    fakePort().readValue = [&](int n) {
        if (n == 0)
            firstRead = std::chrono::system_clock::now();
        return std::int16_t(0);
    };
    const auto before = std::chrono::system_clock::now();
    rig.capture();
    const auto made = rig.inst.capture.lastCapture()->firstReadAt;
    if (firstRead < before)
        QSKIP("the wall clock was stepped back during the capture");
    QVERIFY(before <= made);
    QVERIFY(made <= firstRead);
}

QTEST_APPLESS_MAIN(TstCapture)
#include "tst_capture.moc"
