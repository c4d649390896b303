// The screen image's pixel footprint, clipping and repaint flag.

#include "display/screenimage.h"
#include "state/runtimeerror.h"

#include <QtTest>

using namespace la;

namespace {
const Colour Back = rgb(70, 130, 180);
const Colour Ink = rgb(70, 200, 180);

// The pixels of the image in the ink colour, as "x,y" strings in reading order.
QStringList inked(const ScreenImage &screen)
{
    QStringList out;
    for (int y = 0; y < ScreenImage::Height; ++y)
        for (int x = 0; x < ScreenImage::Width; ++x)
            if (screen.image().pixel(x, y) == toArgb32(Ink))
                out << QString("%1,%2").arg(x).arg(y);
    return out;
}

void clearTo(ScreenImage &s, Colour back)
{
    s.setBackColour(back);
    s.clear();
}
} // namespace

class TstScreen : public QObject
{
    Q_OBJECT

private slots:
    void dotFootprint_data();
    void dotFootprint();
    void lineFootprint_data();
    void lineFootprint();
    void clearFillsWithBackColour();
    void dirtyOnlyAfterDrawing();
    void penRangeChecked();
};

void TstScreen::dotFootprint_data()
{
    // clang-format off
    QTest::addColumn<int>("width");
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("y");
    QTest::addColumn<QStringList>("pixels");
    QTest::newRow("width 2: block left of and above the centre") << 2 << 10.f << 20.f
        << QStringList{"9,19", "10,19", "9,20", "10,20"};
    QTest::newRow("width 1: the centre pixel") << 1 << 10.f << 20.f << QStringList{"10,20"};
    QTest::newRow("width 3: centred") << 3 << 1.f << 1.f
        << QStringList{"0,0", "1,0", "2,0", "0,1", "1,1", "2,1", "0,2", "1,2", "2,2"};
    QTest::newRow("halves round up") << 2 << 10.5f << 19.5f
        << QStringList{"10,19", "11,19", "10,20", "11,20"};
    QTest::newRow("just below a half rounds down") << 1 << 10.49f << 20.f << QStringList{"10,20"};
    QTest::newRow("top-left corner: partly drawn") << 2 << 0.f << 0.f << QStringList{"0,0"};
    QTest::newRow("right edge: partly drawn, no wrap") << 2 << 557.f << 5.f << QStringList{"556,4", "556,5"};
    QTest::newRow("bottom edge: partly drawn") << 2 << 3.f << 400.f << QStringList{"2,399", "3,399"};
    QTest::newRow("left of the screen: cut off") << 2 << -1.f << 5.f << QStringList{};
    QTest::newRow("above the screen: cut off") << 2 << 5.f << -65.f << QStringList{};
    QTest::newRow("far away: cut off") << 2 << 1e30f << -1e30f << QStringList{};
    // clang-format on
}

void TstScreen::dotFootprint()
{
    QFETCH(int, width);
    QFETCH(float, x);
    QFETCH(float, y);
    QFETCH(QStringList, pixels);
    ScreenImage s;
    clearTo(s, Back);
    s.setDrawWidth(width);
    s.dot(x, y, Ink);
    QCOMPARE(inked(s), pixels);
}

void TstScreen::lineFootprint_data()
{
    // clang-format off
    QTest::addColumn<QList<float>>("ends");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("samples"); // some of the pixels, all of which must be inked
    QTest::newRow("horizontal, cut at the right edge") << QList<float>{0, 40, 1000, 40} << 557
        << QStringList{"0,40", "556,40"};
    QTest::newRow("vertical, cut at the bottom") << QList<float>{520, 0, 520, 1000} << 400
        << QStringList{"520,0", "520,399"};
    QTest::newRow("both ends included") << QList<float>{3, 3, 6, 3} << 4
        << QStringList{"3,3", "4,3", "5,3", "6,3"};
    QTest::newRow("reversed ends") << QList<float>{6, 3, 3, 3} << 4 << QStringList{"3,3", "6,3"};
    QTest::newRow("diagonal") << QList<float>{0, 0, 4, 4} << 5 << QStringList{"0,0", "2,2", "4,4"};
    QTest::newRow("diagonal from off the screen") << QList<float>{-10, -10, 4, 4} << 5
        << QStringList{"0,0", "4,4"};
    QTest::newRow("wholly off the screen") << QList<float>{-5, 500, 600, 500} << 0 << QStringList{};
    // clang-format on
}

void TstScreen::lineFootprint()
{
    QFETCH(QList<float>, ends);
    QFETCH(int, count);
    QFETCH(QStringList, samples);
    ScreenImage s;
    clearTo(s, Back);
    s.setDrawWidth(1);
    s.line(ends[0], ends[1], ends[2], ends[3], Ink);
    const QStringList got = inked(s);
    QCOMPARE(got.size(), count);
    for (const QString &p : samples)
        QVERIFY2(got.contains(p), qPrintable(p));
}

void TstScreen::clearFillsWithBackColour()
{
    ScreenImage s;
    clearTo(s, Back);
    s.setDrawWidth(2);
    s.dot(100, 100, Ink);
    s.setBackColour(rgb(20, 80, 130));
    QCOMPARE(s.image().pixel(100, 100), toArgb32(Ink)); // a new colour alone repaints nothing
    s.clear();
    QVERIFY(inked(s).isEmpty());
    QCOMPARE(s.image().pixel(0, 0), qRgb(20, 80, 130));
    QCOMPARE(s.image().pixel(556, 399), qRgb(20, 80, 130));
}

void TstScreen::dirtyOnlyAfterDrawing()
{
    ScreenImage s;
    s.takeDirty();
    s.setBackColour(Back);
    s.setDrawWidth(2);
    QVERIFY(!s.takeDirty());
    s.dot(1, 1, Ink);
    s.dot(2, 2, Ink);
    QVERIFY(s.takeDirty());
    QVERIFY(!s.takeDirty());
}

void TstScreen::penRangeChecked()
{
    ScreenImage s;
    QVERIFY_THROWS_EXCEPTION(RuntimeError, s.setDrawWidth(0));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, s.setDrawStyle(7));
    QCOMPARE(s.drawWidth(), 1);
}

QTEST_APPLESS_MAIN(TstScreen)
#include "tst_screen.moc"
