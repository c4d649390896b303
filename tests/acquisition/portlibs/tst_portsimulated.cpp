#include "acquisition/portlibs/probesignals.h"
#include "acquisition/portlibs/readpacer.h"
#include "acquisition/portlibs/simulatedport.h"

#include <QtTest>

using namespace la;

namespace {

constexpr qint64 kUs = 1000;
constexpr qint64 kMs = 1000 * kUs;
constexpr qint64 kS = 1000 * kMs;

// The middle of UART bit `index` at 9600 baud, split at whole seconds against overflow.
qint64 bitCentre(qint64 index)
{
    return index / 9600 * kS + (2 * (index % 9600) + 1) * kS / (2 * 9600);
}

// Receives characters as a UART does, sampling each bit in its middle: a low start bit,
// eight data bits LSB first, a high stop bit, then the idle gap of five bit times.
QByteArray receive(qint64 firstBit, int characters)
{
    QByteArray received;
    for (qint64 start = firstBit; start < firstBit + 15 * characters; start += 15) {
        for (qint64 idle = start + 9; idle < start + 15; ++idle) {
            if (!ProbeSignals::uartAt(bitCentre(idle)))
                return received + "<framing error>";
        }
        if (ProbeSignals::uartAt(bitCentre(start)))
            return received + "<framing error>";
        int byte = 0;
        for (int bit = 0; bit < 8; ++bit)
            byte |= ProbeSignals::uartAt(bitCentre(start + 1 + bit)) << bit;
        received += char(byte);
    }
    return received;
}

// A clock that advances by a fixed step each time it is read.
struct SteppingClock
{
    qint64 now;
    qint64 step;
    int reads = 0;
    ReadPacer::Clock function()
    {
        return [this] {
            ++reads;
            return std::exchange(now, now + step);
        };
    }
};

} // namespace

class PortSimulatedTest : public QObject
{
    Q_OBJECT

private slots:
    void counterCounts_data();
    void counterCounts();
    void statusRegisterShowsTheLines_data();
    void statusRegisterShowsTheLines();
    void uartSendsTheMessage_data();
    void uartSendsTheMessage();
    void pwmDutySweeps_data();
    void pwmDutySweeps();
    void pacerKeepsReadsOneMicrosecondApart_data();
    void pacerKeepsReadsOneMicrosecondApart();
    void portDecodesAddresses_data();
    void portDecodesAddresses();
    void dataPinsCarryTheCounter_data();
    void dataPinsCarryTheCounter();
};

void PortSimulatedTest::counterCounts_data()
{
    QTest::addColumn<qint64>("t");
    QTest::addColumn<int>("count");

    QTest::newRow("start") << qint64(0) << 0;
    QTest::newRow("first step") << 50 * kUs << 1;
    QTest::newRow("seven") << 399 * kUs << 7;
    QTest::newRow("wraps to zero") << 400 * kUs << 0;
    QTest::newRow("after a day") << 86400 * kS + 150 * kUs << 3;
}

void PortSimulatedTest::counterCounts()
{
    QFETCH(qint64, t);
    QFETCH(int, count);

    const ProbeLines lines = ProbeSignals::linesAt(t);
    QCOMPARE(lines.ch1 + 2 * lines.ch2 + 4 * lines.ch3, count);
}

void PortSimulatedTest::statusRegisterShowsTheLines_data()
{
    QTest::addColumn<int>("high"); // bit n set: channel n + 1 high
    QTest::addColumn<int>("status");

    // Bit 7 reads the inverse of channel 3's line; bits 0..2 read 0.
    QTest::newRow("all low") << 0 << 0x80;
    QTest::newRow("ch1") << 0x01 << 0x90;
    QTest::newRow("ch2") << 0x02 << 0xA0;
    QTest::newRow("ch3") << 0x04 << 0x00;
    QTest::newRow("ch4") << 0x08 << 0xC0;
    QTest::newRow("ch5") << 0x10 << 0x88;
    QTest::newRow("all high") << 0x1F << 0x78;
}

void PortSimulatedTest::statusRegisterShowsTheLines()
{
    QFETCH(int, high);
    QFETCH(int, status);

    const ProbeLines lines{(high & 1) != 0, (high & 2) != 0, (high & 4) != 0, (high & 8) != 0,
                           (high & 16) != 0};
    QCOMPARE(int(ProbeSignals::statusRegister(lines)), status);
}

void PortSimulatedTest::uartSendsTheMessage_data()
{
    QTest::addColumn<qint64>("firstBit");

    // A message is 15 frames of 10 bits, each followed by 5 idle bits, and then 10 idle
    // bits: 235 bit times, about 41 messages a second.
    QTest::newRow("first message") << qint64(0);
    QTest::newRow("second message") << qint64(235);
    QTest::newRow("after a year of uptime") << qint64(365) * 86400 * 9600 / 235 * 235;
}

void PortSimulatedTest::uartSendsTheMessage()
{
    QFETCH(qint64, firstBit);

    QCOMPARE(receive(firstBit, 15), QByteArray("Hello, logic!\r\n"));
    for (qint64 bit = firstBit + 225; bit < firstBit + 235; ++bit)
        QVERIFY2(ProbeSignals::uartAt(bitCentre(bit)), "the line is not idle between messages");
    // The next start bit begins on its exact bit time: the first nanosecond >= bit * 1e9 / 9600.
    const qint64 next = firstBit + 235;
    const qint64 edge = next / 9600 * kS + (next % 9600 * kS + 9599) / 9600;
    QVERIFY(ProbeSignals::uartAt(edge - 1));
    QVERIFY(!ProbeSignals::uartAt(edge));
}

void PortSimulatedTest::pwmDutySweeps_data()
{
    QTest::addColumn<qint64>("periodStart");
    QTest::addColumn<int>("dutyPermille");

    QTest::newRow("bottom") << qint64(0) << 100;
    QTest::newRow("quarter way up") << kS << 500;
    QTest::newRow("top") << 2 * kS << 900;
    QTest::newRow("three quarters down") << 3 * kS + kS / 2 << 300;
    QTest::newRow("next sweep") << 4 * kS + kS / 2 << 300;
}

void PortSimulatedTest::pwmDutySweeps()
{
    QFETCH(qint64, periodStart);
    QFETCH(int, dutyPermille);

    // Sampled every microsecond, the 1 ms period is high first, for exactly its duty cycle.
    int high = 0;
    for (qint64 t = periodStart; t < periodStart + kMs; t += kUs)
        high += ProbeSignals::pwmAt(t) ? 1 : 0;
    QCOMPARE(high, dutyPermille);
    QVERIFY(ProbeSignals::pwmAt(periodStart) && !ProbeSignals::pwmAt(periodStart + kMs - 1));

    // Within the bounds everywhere in the sweep around this period.
    for (qint64 t = periodStart; t < periodStart + 4 * kS; t += kMs) {
        const int duty = ProbeSignals::dutyPermilleAt(t);
        QVERIFY2(duty >= 100 && duty <= 900, qPrintable(QString::number(duty)));
    }
}

void PortSimulatedTest::pacerKeepsReadsOneMicrosecondApart_data()
{
    QTest::addColumn<qint64>("clockStep");
    QTest::addColumn<qint64>("firstToLast");
    QTest::addColumn<int>("clockReads");

    // Each read waits out the rest of its microsecond, one clock read (clockStep) at a time.
    QTest::newRow("fast clock") << qint64(50) << qint64(9998 * 1000) << 1 + 9998 * 20;
    QTest::newRow("uneven clock") << qint64(300) << qint64(9998 * 1200) << 1 + 9998 * 4;
    QTest::newRow("caller slower than the port") << qint64(2500) << qint64(9998 * 2500) << 9999;
}

void PortSimulatedTest::pacerKeepsReadsOneMicrosecondApart()
{
    QFETCH(qint64, clockStep);
    QFETCH(qint64, firstToLast);
    QFETCH(int, clockReads);

    SteppingClock clock{5 * kS, clockStep};
    ReadPacer pacer(clock.function());
    const qint64 first = pacer.nextRead();
    qint64 last = first;
    for (int i = 1; i < 9999; ++i)
        last = pacer.nextRead();
    QCOMPARE(last - first, firstToLast);
    QCOMPARE(clock.reads, clockReads);
}

void PortSimulatedTest::portDecodesAddresses_data()
{
    QTest::addColumn<int>("writeAddress");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("readAddress");
    QTest::addColumn<int>("expected"); // -1: the probe's status at the read's time

    // clang-format off
    QTest::newRow("data 0x378") << 0x378 << 0xA5 << 0x378 << 0xA5;
    QTest::newRow("control keeps its pins' bits and the direction") << 0x27A << 0xA5 << 0x27A << 0x25;
    QTest::newRow("bases are separate ports") << 0x378 << 0xA5 << 0x278 << 0x00;
    // Bit 5 clear: the data pins stay outputs and show the latch.
    QTest::newRow("control is not data") << 0x37A << 0x85 << 0x378 << 0x00;
    QTest::newRow("status ignores writes") << 0x3BD << 0xA5 << 0x3BD << -1;
    QTest::newRow("beyond the registers floats") << 0x37B << 0xA5 << 0x37B << 0xFF;
    // clang-format on
}

void PortSimulatedTest::portDecodesAddresses()
{
    QFETCH(int, writeAddress);
    QFETCH(int, value);
    QFETCH(int, readAddress);
    QFETCH(int, expected);

    SteppingClock clock{7 * kS + 123 * kUs, 2000};
    SimulatedPort port(clock.function());
    port.write(writeAddress, value);
    if (expected == -1)
        expected = ProbeSignals::statusAt(clock.now);
    QCOMPARE(int(port.read(readAddress)), expected);
}

void PortSimulatedTest::dataPinsCarryTheCounter_data()
{
    QTest::addColumn<qint64>("t");
    QTest::addColumn<int>("control"); // written before the read
    QTest::addColumn<int>("data");    // -1: the latch, 0x5A

    // The counter runs through its 256 values every 25.6 ms; this is its 300th round.
    const qint64 round = 300 * 25600 * kUs;
    QTest::newRow("turned around: zero") << round << 0x20 << 0x00;
    QTest::newRow("one step of ch1 later") << round + 100 * kUs << 0x2F << 0x01;
    QTest::newRow("not turned around: the latch") << round + 100 * kUs << 0x0F << -1;
}

void PortSimulatedTest::dataPinsCarryTheCounter()
{
    QFETCH(qint64, t);
    QFETCH(int, control);
    QFETCH(int, data);

    SteppingClock clock{t, 2000};
    SimulatedPort port(clock.function());
    port.write(0x378, 0x5A);
    port.write(0x37A, std::uint8_t(control));
    QCOMPARE(int(port.read(0x378)), data == -1 ? 0x5A : data);
    // The counter steps as ch1 falls, so ch1's rising edge lies in the middle of a value.
    const qint64 step = t - t % (100 * kUs);
    QVERIFY(!ProbeSignals::linesAt(step).ch1 && ProbeSignals::linesAt(step - 1).ch1);
    QVERIFY(ProbeSignals::linesAt(step + 50 * kUs).ch1);
}

QTEST_GUILESS_MAIN(PortSimulatedTest)
#include "tst_portsimulated.moc"
