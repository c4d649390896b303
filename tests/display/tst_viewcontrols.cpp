// The view handlers: their order of screen work, the nested zoom handling and the relation
// between each bar and the state it sets.

#include "fakes.h"

#include <QtTest>

using namespace la;
using la::test::Rig;

namespace {
// Runs one user action by name, through the gate as the window would.
void act(Rig &rig, const QString &action)
{
    FrontPanel &p = rig.inst.panel;
    rig.inst.gate.run([&] {
        // clang-format off
        if (action == "light up") p.VScroll1.clickTopArrow();
        else if (action == "light down") p.VScroll1.clickBottomArrow();
        else if (action == "beam up") p.VScroll2.clickTopArrow();
        else if (action == "beam down") p.VScroll2.clickBottomArrow();
        else if (action == "v-pos up") p.VScroll4.clickTopArrow();
        else if (action == "v-pos down") p.VScroll4.clickBottomArrow();
        else if (action == "h-pos up") p.VScroll3.clickTopArrow();
        else if (action == "h-pos down") p.VScroll3.clickBottomArrow();
        else if (action.startsWith("zoom ")) p.Combo1.choose(int(std::find(p.Combo1.entries().begin(), p.Combo1.entries().end(), action.mid(5).toStdString()) - p.Combo1.entries().begin()));
        else if (action.startsWith("step ")) p.Combo2.choose(int(std::find(p.Combo2.entries().begin(), p.Combo2.entries().end(), action.mid(5).toStdString()) - p.Combo2.entries().begin()));
        else QFAIL(qPrintable("unknown action " + action));
        // clang-format on
    });
}

void checkInvariants(const Rig &rig)
{
    const FrontPanel &p = rig.inst.panel;
    const MainFields &f = rig.inst.fields;
    QCOMPARE(int(f.h_pos), p.VScroll3.position());
    QCOMPARE(int(f.v_pos), p.VScroll4.position());
    QCOMPARE(int(f.beam_green), p.VScroll2.position() + 200);
    QCOMPARE(int(f.screen_red), p.VScroll1.position() + 70);
    QCOMPARE(int(f.screen_green), p.VScroll1.position() + 130);
    QCOMPARE(int(f.screen_blue), p.VScroll1.position() + 180);
}
} // namespace

class TstViewControls : public QObject
{
    Q_OBJECT

private slots:
    void redrawOrder_data();
    void redrawOrder();
    void barEnds_data();
    void barEnds();
    void stepListSetsHposStep();
    void zoomChangeReturnsToStart();
};

void TstViewControls::redrawOrder_data()
{
    // clang-format off
    QTest::addColumn<QString>("zoom");     // zoom list before the action
    QTest::addColumn<int>("hposClicks");   // h-pos bottom-arrow clicks before the action
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("ops");
    QTest::addColumn<int>("hposAfter");

    QTest::newRow("light at 010") << "010" << 0 << "light up" << "back clear grid sweep" << 0;
    QTest::newRow("light at 100 runs the zoom handling") << "100" << 0 << "light up"
        << "back clear grid clear sweep grid sweep" << 0;
    QTest::newRow("light at 100 away from the start") << "100" << 2 << "light down"
        << "back clear grid clear sweep grid clear sweep grid sweep" << 0;
    QTest::newRow("beam at 010") << "010" << 0 << "beam up" << "clear sweep grid" << 0;
    QTest::newRow("beam at 001 runs the zoom handling") << "001" << 0 << "beam down"
        << "clear clear sweep grid sweep grid" << 0;
    QTest::newRow("v-pos at 010") << "010" << 0 << "v-pos up" << "clear sweep grid" << 0;
    QTest::newRow("v-pos at 050 away from the start") << "050" << 3 << "v-pos down"
        << "clear clear sweep grid clear sweep grid sweep grid" << 0;
    QTest::newRow("v-pos at 010 keeps h-pos") << "010" << 3 << "v-pos down" << "clear sweep grid" << -300;
    QTest::newRow("h-pos") << "010" << 0 << "h-pos down" << "clear sweep grid" << -100;
    QTest::newRow("zoom at h-pos 0 redraws once") << "010" << 0 << "zoom 100" << "clear sweep grid" << 0;
    QTest::newRow("zoom away from the start redraws twice") << "010" << 1 << "zoom 100"
        << "clear sweep grid clear sweep grid" << 0;
    QTest::newRow("zoom: same entry again") << "010" << 0 << "zoom 010" << "clear sweep grid" << 0;
    QTest::newRow("step list draws nothing") << "010" << 1 << "step 1000" << "" << -100;
    // clang-format on
}

void TstViewControls::redrawOrder()
{
    QFETCH(QString, zoom);
    QFETCH(int, hposClicks);
    QFETCH(QString, action);
    QFETCH(QString, ops);
    QFETCH(int, hposAfter);
    Rig rig;
    rig.start();
    rig.powerOn();
    act(rig, "zoom " + zoom);
    for (int i = 0; i < hposClicks; ++i)
        act(rig, "h-pos down");
    rig.screen.ops.clear();
    act(rig, action);
    QCOMPARE(QString::fromStdString(rig.screen.summary()), ops);
    QCOMPARE(int(rig.inst.fields.h_pos), hposAfter);
    checkInvariants(rig);
    QVERIFY(rig.platform.events.empty());
}

void TstViewControls::barEnds_data()
{
    // clang-format off
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<QRgb>("colour");
    QTest::newRow("light top end") << "light up" << 60 << 20 << 20 << qRgb(120, 180, 230);
    QTest::newRow("light bottom end") << "light down" << 60 << 20 << 20 << qRgb(20, 80, 130);
    QTest::newRow("beam top end") << "beam up" << 60 << 20 << 65 << qRgb(70, 250, 180);
    QTest::newRow("beam bottom end") << "beam down" << 90 << 20 << 65 << qRgb(70, 120, 180);
    QTest::newRow("v-pos bottom end moves traces down") << "v-pos down" << 120 << 20 << 165 << qRgb(70, 200, 180);
    // clang-format on
}

void TstViewControls::barEnds()
{
    QFETCH(QString, action);
    QFETCH(int, clicks);
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(QRgb, colour);
    Rig rig;
    rig.start();
    rig.powerOn();
    for (int i = 0; i < clicks; ++i) {
        act(rig, action);
        checkInvariants(rig);
    }
    QCOMPARE(rig.pixel(x, y), colour);
}

void TstViewControls::stepListSetsHposStep()
{
    Rig rig;
    rig.start();
    rig.powerOn();
    act(rig, "step 1000");
    for (int i = 0; i < 10; ++i)
        act(rig, "h-pos down");
    QCOMPARE(int(rig.inst.fields.h_pos), -10000);
    QCOMPARE(rig.inst.panel.VScroll3.position(), -10000);
    act(rig, "h-pos down");
    QCOMPARE(int(rig.inst.fields.h_pos), -10000);
    QCOMPARE(rig.inst.panel.VScroll3.largeStep(), 10);
}

void TstViewControls::zoomChangeReturnsToStart()
{
    Rig rig;
    rig.start();
    rig.powerOn();
    act(rig, "zoom 100");
    act(rig, "h-pos down");
    act(rig, "beam up"); // puts "010" into the zoom list: the zoom handling runs
    QCOMPARE(rig.inst.panel.Combo1.text(), std::string("010"));
    QCOMPARE(rig.inst.fields.zoom_step, std::string("010"));
    QCOMPARE(int(rig.inst.fields.h_pos), 0);
    QCOMPARE(rig.inst.panel.VScroll3.position(), 0);
}

QTEST_APPLESS_MAIN(TstViewControls)
#include "tst_viewcontrols.moc"
