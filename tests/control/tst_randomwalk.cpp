// Thousands of random user actions from a fixed seed, with the instrument's invariants
// checked after every one.

#include "fakes.h"

#include <QtTest>

#include <random>

using namespace la;
using la::test::fakePort;
using la::test::Rig;

class TstRandomWalk : public QObject
{
    Q_OBJECT

private slots:
    void walk_data();
    void walk();
};

void TstRandomWalk::walk_data()
{
    QTest::addColumn<unsigned>("seed");
    QTest::newRow("seed 1") << 1u;
    QTest::newRow("seed 20261207") << 20261207u;
    QTest::newRow("seed 99") << 99u;
}

void TstRandomWalk::walk()
{
    QFETCH(unsigned, seed);
    std::mt19937 random(seed);
    Rig rig;
    rig.screen.recording = false;
    rig.start();
    fakePort().readValue = [&](int n) { return std::int16_t((n * 2654435761u) >> 24); };
    Instrument &in = rig.inst;
    FrontPanel &p = in.panel;
    ScrollBarModel *bars[] = {&p.VScroll1, &p.VScroll2, &p.VScroll3, &p.VScroll4};
    bool armed = false;
    int captures = 0;

    for (int step = 0; step < 4000; ++step) {
        const int pick = int(random() % 16);
        fakePort().calls.clear();
        const std::size_t readsBefore = 0;
        const bool getWasEnabled = p.Command5.enabled();
        const bool timerWasOn = p.Timer1.enabled();
        in.gate.run([&] {
            ScrollBarModel &bar = *bars[random() % 4];
            switch (pick) {
            // clang-format off
            case 0: p.Command9.click(); break;
            case 1: bar.clickTopArrow(); break;
            case 2: bar.clickBottomArrow(); break;
            case 3: bar.pageTowardTop(); break;
            case 4: bar.pageTowardBottom(); break;
            case 5: p.Combo1.choose(int(random() % 7)); break;
            case 6: p.Combo2.choose(int(random() % 7)); break;
            case 7: p.Command1.click(); break;
            case 8: p.Command5.click(); break;
            case 9: p.Timer1.fire(); break;
            case 10: p.Command3.click(); break;
            case 11: in.portPanel.Command14.click(); break;
            case 12: in.portPanel.Combo1.choose(int(random() % 3)); break;
            case 13: in.activate(); break;
            // clang-format on
            default: // the h-pos bar gets more use: it has the widest range
                for (int i = 0; i < 20; ++i)
                    p.VScroll3.clickBottomArrow();
            }
        });
        if (pick == 8 && getWasEnabled)
            armed = true;
        if (pick == 9 && timerWasOn) {
            armed = false;
            ++captures;
            QCOMPARE(int(fakePort().calls.size() - readsBefore), 9999);
            QCOMPARE(int(fakePort().calls.back().address), int(in.data.status_port));
        } else {
            QCOMPARE(fakePort().calls.size(), readsBefore);
        }

        const QString where = QString("step %1, action %2").arg(step).arg(pick);
        for (ScrollBarModel *bar : bars) {
            QVERIFY2(bar->position() >= std::min(bar->topEnd(), bar->bottomEnd()),
                     qPrintable(where));
            QVERIFY2(bar->position() <= std::max(bar->topEnd(), bar->bottomEnd()),
                     qPrintable(where));
        }
        QCOMPARE(int(in.fields.h_pos), p.VScroll3.position());
        QCOMPARE(int(in.fields.v_pos), p.VScroll4.position());
        QCOMPARE(int(in.fields.beam_green), p.VScroll2.position() + 200);
        QCOMPARE(rig.screen.backColour(),
                 rgb(p.VScroll1.position() + 70, p.VScroll1.position() + 130,
                     p.VScroll1.position() + 180));
        QCOMPARE(int(in.data.status_port), in.data.data_port + 1);
        QCOMPARE(int(in.data.control_port), in.data.data_port + 2);
        for (const Trace *t : in.data.traces()) {
            QCOMPARE(int((*t)[0]), 0);
            QCOMPARE(int((*t)[10000]), 0);
        }
        QCOMPARE(p.Timer1.enabled(), armed);
        if (armed)
            QVERIFY2(!p.Command5.enabled(), qPrintable(where));
        QCOMPARE(int(in.fields.port_shown), in.portPanel.window.shown() ? 1 : 0);
        QVERIFY2(rig.platform.events.empty(), qPrintable(where));
    }
    QVERIFY(captures > 10);
}

QTEST_APPLESS_MAIN(TstRandomWalk)
#include "tst_randomwalk.moc"
