// The graticule, the trace renderer and the "Grid" button, checked on the screen's pixels.

#include "fakes.h"

#include <QtTest>

using namespace la;
using la::test::Rig;

namespace {
const QRgb Grid = toArgb32(ScopeRenderer::GridColour);
const QRgb Beam = qRgb(70, 200, 180);
const QRgb Back = qRgb(70, 130, 180);

// Puts a level into samples 1..9999 of every trace, as power-on or a capture would.
void fillTraces(GlobalData &data, int level)
{
    for (Trace *t : data.traces())
        for (int i = 1; i <= 9999; ++i)
            (*t)[i] = std::int16_t(level);
}
} // namespace

class TstScope : public QObject
{
    Q_OBJECT

private slots:
    void graticuleLines_data();
    void graticuleLines();
    void graticuleIgnoresScreenColour();
    void dotsPerZoom_data();
    void dotsPerZoom();
    void zoomStepDecidesSamples_data();
    void zoomStepDecidesSamples();
    void zoomTextReadAtEachCall();
    void hposShiftsDots();
    void vposPushesTraceOffScreen();
    void beamColourPerDot();
    void noPhantomDotAtZoom001();
    void gridButton_data();
    void gridButton();
};

void TstScope::graticuleLines_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<bool>("onGrid");
    QTest::newRow("top edge line") << 300 << 0 << true;
    QTest::newRow("left edge line") << 0 << 300 << true;
    QTest::newRow("last horizontal at 360") << 555 << 360 << true;
    QTest::newRow("no horizontal at 400-1") << 10 << 399 << false;
    QTest::newRow("last vertical at 520") << 520 << 399 << true;
    QTest::newRow("no vertical at 556") << 556 << 10 << false;
    QTest::newRow("between lines") << 20 << 20 << false;
    QTest::newRow("width 1: beside a line") << 41 << 10 << false;
}

void TstScope::graticuleLines()
{
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(bool, onGrid);
    Rig rig;
    rig.start();
    QCOMPARE(rig.pixel(x, y), onGrid ? Grid : Back);
}

void TstScope::graticuleIgnoresScreenColour()
{
    Rig rig;
    rig.start();
    rig.powerOn();
    rig.inst.gate.run([&] {
        for (int i = 0; i < 50; ++i)
            rig.inst.panel.VScroll1.clickTopArrow();
    });
    QCOMPARE(rig.pixel(10, 0), Grid);
    QCOMPARE(rig.pixel(80, 10), Grid);
    QCOMPARE(rig.pixel(20, 10), qRgb(120, 180, 230));
}

void TstScope::dotsPerZoom_data()
{
    QTest::addColumn<QString>("zoom");
    QTest::addColumn<int>("dots");
    QTest::newRow("001: captured samples only") << "001" << 9999;
    QTest::newRow("002") << "002" << 5000;
    QTest::newRow("005") << "005" << 2000;
    QTest::newRow("010") << "010" << 1000;
    QTest::newRow("020") << "020" << 500;
    QTest::newRow("050") << "050" << 200;
    QTest::newRow("100") << "100" << 100;
}

void TstScope::dotsPerZoom()
{
    QFETCH(QString, zoom);
    QFETCH(int, dots);
    Rig rig;
    rig.start();
    rig.inst.panel.Combo1.setText(zoom.toStdString());
    rig.screen.ops.clear();
    rig.inst.draw_sweep();
    QCOMPARE(int(std::count(rig.screen.ops.begin(), rig.screen.ops.end(), "dot")), 5 * dots);
    QCOMPARE(QString::fromStdString(rig.inst.fields.zoom_step), zoom);
}

void TstScope::zoomStepDecidesSamples_data()
{
    QTest::addColumn<QString>("zoom");
    QTest::addColumn<int>("step");
    QTest::newRow("100") << "100" << 100;
    QTest::newRow("050") << "050" << 50;
    QTest::newRow("005") << "005" << 5;
}

void TstScope::zoomStepDecidesSamples()
{
    // Every plotted sample of trace 1 sits at the upper level, every other one below the
    // screen: the dot at x = n must show sample 1 + (n - 1) x step.
    QFETCH(QString, zoom);
    QFETCH(int, step);
    Rig rig;
    rig.start();
    rig.inst.panel.Combo1.setText(zoom.toStdString());
    fillTraces(rig.inst.data, 1000);
    const int dots = (9999 - 1) / step + 1;
    for (int n = 1; n <= dots; ++n)
        rig.inst.data.trace1[1 + (n - 1) * step] = 35;
    rig.inst.screen.clear();
    rig.inst.draw_sweep();
    for (int x = 0; x <= std::min(dots, 556); ++x)
        QVERIFY2(rig.pixel(x, 35) == Beam, qPrintable(QString("x=%1").arg(x)));
    if (dots < 556)
        QCOMPARE(rig.pixel(dots + 1, 35), Back);
}

void TstScope::zoomTextReadAtEachCall()
{
    Rig rig;
    rig.start();
    rig.inst.fields.zoom_step = "100"; // a stale copy does not decide the step
    rig.screen.ops.clear();
    rig.inst.draw_sweep();
    QCOMPARE(int(std::count(rig.screen.ops.begin(), rig.screen.ops.end(), "dot")), 5 * 9999);
    QCOMPARE(rig.inst.fields.zoom_step, std::string("001"));
}

void TstScope::hposShiftsDots()
{
    Rig rig;
    rig.start();
    rig.inst.panel.Combo1.setText("010");
    fillTraces(rig.inst.data, 35);
    rig.inst.data.trace1[1 + 50 * 10] = 200; // dot 51 shows sample 501
    rig.inst.fields.h_pos = -50;
    rig.inst.screen.clear();
    rig.inst.draw_sweep();
    QCOMPARE(rig.pixel(0, 200), Beam);
    QCOMPARE(rig.pixel(1, 200), Beam);
    QCOMPARE(rig.pixel(2, 200), Back);
    QCOMPARE(rig.pixel(2, 35), Beam);
}

void TstScope::vposPushesTraceOffScreen()
{
    Rig rig;
    rig.start();
    fillTraces(rig.inst.data, 325);
    rig.inst.data.trace1[1] = 35;
    rig.inst.fields.v_pos = 100; // 325 + 100 lies below the screen
    rig.inst.screen.clear();
    rig.inst.draw_sweep();
    for (int y = 300; y < 400; ++y)
        QCOMPARE(rig.pixel(5, y), Back);
    rig.inst.fields.v_pos = -100; // 35 - 100 lies above it
    rig.inst.screen.clear();
    rig.inst.draw_sweep();
    QCOMPARE(rig.pixel(1, 0), Back);
    QCOMPARE(rig.pixel(5, 224), Beam);
}

void TstScope::beamColourPerDot()
{
    Rig rig;
    rig.start();
    rig.inst.panel.Combo1.setText("100");
    fillTraces(rig.inst.data, 50);
    rig.inst.fields.beam_green = 120;
    rig.inst.screen.clear();
    rig.inst.draw_sweep();
    QCOMPARE(rig.pixel(50, 50), qRgb(70, 120, 180));
}

void TstScope::noPhantomDotAtZoom001()
{
    // Element 10000 is never captured: at h_pos -10000 the screen must stay empty.
    Rig rig;
    rig.start();
    fillTraces(rig.inst.data, 100);
    rig.inst.fields.h_pos = -10000;
    rig.inst.screen.clear();
    rig.inst.draw_sweep();
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 557; ++x)
            QVERIFY(rig.pixel(x, y) != Beam);
}

void TstScope::gridButton_data()
{
    QTest::addColumn<int>("presses");
    QTest::addColumn<QString>("ops");
    QTest::addColumn<int>("gridOn");
    QTest::newRow("first press hides the graticule") << 1 << "clear sweep" << 0;
    QTest::newRow("second press paints it over the traces") << 2 << "clear sweep grid sweep" << 1;
}

void TstScope::gridButton()
{
    QFETCH(int, presses);
    QFETCH(QString, ops);
    QFETCH(int, gridOn);
    Rig rig;
    rig.start();
    rig.powerOn();
    rig.screen.ops.clear();
    for (int i = 0; i < presses; ++i)
        rig.inst.gate.run([&] { rig.inst.panel.Command1.click(); });
    QCOMPARE(QString::fromStdString(rig.screen.summary()), ops);
    QCOMPARE(int(rig.inst.fields.grid_on), gridOn);
    QCOMPARE(rig.pixel(300, 0), gridOn ? Grid : Back);
    QCOMPARE(rig.pixel(20, 65), Beam); // idle trace 1 either way
}

QTEST_APPLESS_MAIN(TstScope)
#include "tst_scope.moc"
