// The short scroll bar: which half is which arrow, the keys, the repeat of a held arrow,
// and that a disabled bar moves nothing.

#include "fakes.h"
#include "state/scrollbarmodel.h"
#include "ui/arrowscrollbar.h"

#include <QElapsedTimer>
#include <QtTest>

using namespace la;

namespace {

struct Bar
{
    test::FakePlatform platform;
    int handlers = 0;
    EventGate gate{platform, [this] { ++handlers; }};
    ScrollBarModel model;
    ArrowScrollBar widget{model, gate};

    Bar(int top, int bottom, int small, int large) : model(top, bottom, small, large)
    {
        model.setEnabled(true);
        widget.resize(49, 25);
    }
};

} // namespace

class TstArrowScrollBar : public QObject
{
    Q_OBJECT

private slots:
    void mouse_data();
    void mouse();
    void keys_data();
    void keys();
    void disabledBarIgnoresInput();
    void heldArrowRepeats();
    void repeatPausesOffTheArrow();
};

void TstArrowScrollBar::mouse_data()
{
    QTest::addColumn<int>("topEnd");
    QTest::addColumn<int>("bottomEnd");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<int>("position");

    // 25 pixels high: rows 0..11 are the top arrow, 12..24 the bottom one.
    QTest::newRow("top arrow's last row") << 50 << -50 << 11 << 1 << 1;
    QTest::newRow("bottom arrow's first row") << 50 << -50 << 12 << 1 << -1;
    QTest::newRow("top arrow, top end smaller") << -100 << 100 << 5 << 3 << -3;
    QTest::newRow("bottom arrow, top end smaller") << -100 << 100 << 20 << 2 << 2;
    QTest::newRow("top arrow stops at the top end") << 50 << -50 << 5 << 60 << 50;
    QTest::newRow("bottom arrow stops at the bottom end") << 50 << -80 << 20 << 90 << -80;
}

void TstArrowScrollBar::mouse()
{
    QFETCH(int, topEnd);
    QFETCH(int, bottomEnd);
    QFETCH(int, y);
    QFETCH(int, clicks);
    QFETCH(int, position);
    Bar bar(topEnd, bottomEnd, 1, 1);
    int changes = 0;
    bar.model.onChange = [&] { ++changes; };
    for (int i = 0; i < clicks; ++i)
        QTest::mouseClick(&bar.widget, Qt::LeftButton, {}, QPoint(24, y));
    QCOMPARE(bar.model.position(), position);
    QCOMPARE(changes, qAbs(position));
    // Every click went through the gate.
    QCOMPARE(bar.handlers, clicks);
}

void TstArrowScrollBar::keys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("position");
    // Steps as the h-pos bar's: small 100, large 10.
    QTest::newRow("Up: top arrow") << int(Qt::Key_Up) << 100;
    QTest::newRow("Down: bottom arrow") << int(Qt::Key_Down) << -100;
    QTest::newRow("Page Up: large step to the top") << int(Qt::Key_PageUp) << 10;
    QTest::newRow("Page Down: large step to the bottom") << int(Qt::Key_PageDown) << -10;
    QTest::newRow("Left: as Up") << int(Qt::Key_Left) << 100;
    QTest::newRow("Right: as Down") << int(Qt::Key_Right) << -100;
    QTest::newRow("Home: nothing") << int(Qt::Key_Home) << 0;
}

void TstArrowScrollBar::keys()
{
    QFETCH(int, key);
    QFETCH(int, position);
    Bar bar(10000, -10000, 100, 10);
    QTest::keyClick(&bar.widget, Qt::Key(key));
    QCOMPARE(bar.model.position(), position);
}

void TstArrowScrollBar::disabledBarIgnoresInput()
{
    Bar bar(50, -50, 1, 1);
    bar.model.setEnabled(false);
    QVERIFY(!bar.widget.isEnabled());
    QTest::mouseClick(&bar.widget, Qt::LeftButton, {}, QPoint(24, 5));
    QTest::keyClick(&bar.widget, Qt::Key_Down);
    QCOMPARE(bar.model.position(), 0);
    QCOMPARE(bar.handlers, 0);
    bar.model.setEnabled(true);
    QVERIFY(bar.widget.isEnabled());
}

void TstArrowScrollBar::heldArrowRepeats()
{
    Bar bar(50, -50, 1, 1);
    QElapsedTimer held;
    held.start();
    QTest::mousePress(&bar.widget, Qt::LeftButton, {}, QPoint(24, 5));
    QCOMPARE(bar.model.position(), 1);
    // Nothing more before the repeat delay (a busy machine may only make it later; a coarse
    // timer may fire 5% early)...
    QTRY_VERIFY_WITH_TIMEOUT(bar.model.position() >= 2, 10000);
    QVERIFY(held.elapsed() >= ArrowScrollBar::RepeatDelayMs * 95 / 100);
    // ...then steady steps.
    QTRY_VERIFY_WITH_TIMEOUT(bar.model.position() >= 5, 10000);
    QTest::mouseRelease(&bar.widget, Qt::LeftButton, {}, QPoint(24, 5));
    const int released = bar.model.position();
    QTest::qWait(200);
    QCOMPARE(bar.model.position(), released);
}

void TstArrowScrollBar::repeatPausesOffTheArrow()
{
    Bar bar(50, -50, 1, 1);
    QTest::mousePress(&bar.widget, Qt::LeftButton, {}, QPoint(24, 20));
    QCOMPARE(bar.model.position(), -1);
    QTest::mouseMove(&bar.widget, QPoint(24, 5)); // now over the other arrow
    QTest::qWait(ArrowScrollBar::RepeatDelayMs + 200);
    QCOMPARE(bar.model.position(), -1);
    QTest::mouseMove(&bar.widget, QPoint(24, 20));
    QTRY_VERIFY_WITH_TIMEOUT(bar.model.position() <= -3, 10000);
    QTest::mouseRelease(&bar.widget, Qt::LeftButton, {}, QPoint(24, 20));
}

QTEST_MAIN(TstArrowScrollBar)
#include "tst_arrowscrollbar.moc"
