// The power switch through its states: off, on, off again, with captures in between.

#include "fakes.h"

#include <QtTest>

using namespace la;
using la::test::fakePort;
using la::test::Rig;

namespace {
void press(Rig &rig)
{
    rig.inst.gate.run([&] { rig.inst.panel.Command9.click(); });
}

bool panelEnabled(Rig &rig, bool enabled)
{
    for (ControlModel *c : rig.inst.panel.panelSet())
        if (c->enabled() != enabled)
            return false;
    return true;
}

const QRgb Beam = qRgb(70, 200, 180);
const QRgb Back = qRgb(70, 130, 180);
} // namespace

class TstPower : public QObject
{
    Q_OBJECT

private slots:
    void pressSequence_data();
    void pressSequence();
    void traceMemoryAcrossPower();
    void capturedDotsSurvivePowerOn();
    void armedCaptureRunsWhileOff();
    void outerTraceElementsStayZero();
    void powerCycleWhileArmedKeepsGetDisabled();
};

void TstPower::pressSequence_data()
{
    // clang-format off
    QTest::addColumn<QString>("startCaption");
    QTest::addColumn<int>("presses");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRgb>("lamp");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("ops");
    QTest::newRow("first press switches on") << "ON" << 1 << "OFF" << qRgb(124, 252, 0) << true << "grid sweep";
    QTest::newRow("second press switches off") << "ON" << 2 << "ON" << qRgb(34, 139, 34) << false << "grid sweep clear grid";
    QTest::newRow("third press on again") << "ON" << 3 << "OFF" << qRgb(124, 252, 0) << true << "grid sweep clear grid grid sweep";
    QTest::newRow("caption 'on' counts as on") << "on" << 1 << "ON" << qRgb(34, 139, 34) << false << "clear grid";
    QTest::newRow("empty caption counts as on") << "" << 1 << "ON" << qRgb(34, 139, 34) << false << "clear grid";
    // clang-format on
}

void TstPower::pressSequence()
{
    QFETCH(QString, startCaption);
    QFETCH(int, presses);
    QFETCH(QString, caption);
    QFETCH(QRgb, lamp);
    QFETCH(bool, enabled);
    QFETCH(QString, ops);
    Rig rig;
    rig.start();
    QCOMPARE(rig.inst.panel.Shape10.backColour(), rgb(0, 128, 0));
    rig.inst.panel.Command9.setCaption(startCaption.toStdString());
    for (int i = 0; i < presses; ++i)
        press(rig);
    QCOMPARE(QString::fromStdString(rig.inst.panel.Command9.caption()), caption);
    QCOMPARE(toArgb32(rig.inst.panel.Shape10.backColour()), lamp);
    QVERIFY(panelEnabled(rig, enabled));
    QVERIFY(rig.inst.panel.Command3.enabled() && rig.inst.panel.Command4.enabled() &&
            rig.inst.panel.Command9.enabled());
    QCOMPARE(QString::fromStdString(rig.screen.summary()), ops);
    // On: idle trace 1 at its lower level; off: the graticule alone.
    QCOMPARE(rig.pixel(20, 65), enabled ? Beam : Back);
    QVERIFY(!rig.inst.panel.Timer1.enabled());
}

void TstPower::traceMemoryAcrossPower()
{
    Rig rig;
    rig.start();
    fakePort().readValue = [](int) { return std::int16_t(0xF8); };
    press(rig);
    rig.capture();
    QCOMPARE(int(rig.inst.data.trace1[500]), 35);
    press(rig); // off: the captured traces stay in memory
    QCOMPARE(int(rig.inst.data.trace1[500]), 35);
    QCOMPARE(int(rig.inst.data.trace5[9999]), 295);
    press(rig); // on: replaced by the idle levels
    const int idle[] = {65, 130, 195, 260, 325};
    for (int k = 0; k < 5; ++k)
        for (int i : {1, 500, 9999})
            QCOMPARE(int((*rig.inst.data.traces()[k])[i]), idle[k]);
}

void TstPower::capturedDotsSurvivePowerOn()
{
    Rig rig;
    rig.start();
    fakePort().readValue = [](int) { return std::int16_t(0xF8); };
    press(rig);
    rig.inst.gate.run([&] { rig.inst.panel.Command5.click(); });
    press(rig); // off while armed
    rig.inst.gate.run([&] { rig.inst.panel.Timer1.fire(); });
    QCOMPARE(rig.pixel(20, 35), Beam); // drawn on the switched-off screen
    press(rig);                        // on: no clear, the captured dots stay
    QCOMPARE(rig.pixel(20, 35), Beam);
    QCOMPARE(rig.pixel(20, 65), Beam);
}

void TstPower::armedCaptureRunsWhileOff()
{
    Rig rig;
    rig.start();
    press(rig);
    rig.inst.gate.run([&] { rig.inst.panel.Command5.click(); });
    press(rig);
    QVERIFY(rig.inst.panel.Timer1.enabled()); // power never touches the timer
    QVERIFY(!rig.inst.panel.Command5.enabled());
    rig.inst.gate.run([&] { rig.inst.panel.Timer1.fire(); });
    QCOMPARE(int(fakePort().calls.size()), 9999);
    QVERIFY(rig.inst.panel.Command5.enabled());
    QVERIFY(!rig.inst.panel.Timer1.enabled());
    QCOMPARE(rig.inst.panel.Command9.caption(), std::string("ON"));
    QVERIFY(!rig.inst.panel.VScroll1.enabled());
}

void TstPower::outerTraceElementsStayZero()
{
    Rig rig;
    rig.start();
    for (int i = 0; i < 3; ++i) {
        press(rig);
        rig.capture();
    }
    for (const Trace *t : rig.inst.data.traces()) {
        QCOMPARE(int((*t)[0]), 0);
        QCOMPARE(int((*t)[10000]), 0);
    }
}

void TstPower::powerCycleWhileArmedKeepsGetDisabled()
{
    Rig rig;
    rig.start();
    press(rig);
    rig.inst.gate.run([&] { rig.inst.panel.Command5.click(); });
    press(rig);
    press(rig); // on again, the capture still armed
    QVERIFY(rig.inst.panel.VScroll1.enabled());
    QVERIFY(!rig.inst.panel.Command5.enabled());
    rig.inst.gate.run([&] { rig.inst.panel.Command5.click(); }); // cannot arm twice
    rig.inst.gate.run([&] { rig.inst.panel.Timer1.fire(); });
    QCOMPARE(int(fakePort().calls.size()), 9999);
    QVERIFY(rig.inst.panel.Command5.enabled());
}

QTEST_APPLESS_MAIN(TstPower)
#include "tst_power.moc"
