// The window's pictures: the shipped background as the JPEG it was made from, drawn where
// it lies in the program; layouts that cannot be drawn in place are left to Qt's reader.

#include "ui/bitmap.h"

#include <QResource>
#include <QtTest>

using namespace la;

namespace {

const QString Background = QStringLiteral(":/assets/background.bmp");

QByteArray backgroundBytes()
{
    const QResource resource(Background);
    return QByteArray(reinterpret_cast<const char *>(resource.data()), resource.size());
}

void put32(QByteArray &file, int at, qint32 value)
{
    for (int i = 0; i < 4; ++i)
        file[at + i] = char(value >> 8 * i);
}

} // namespace

class TstBitmap : public QObject
{
    Q_OBJECT

private slots:
    void shippedBackground();
    void shortColourMap();
    void otherLayouts_data();
    void otherLayouts();
};

void TstBitmap::shippedBackground()
{
    const QImage picture = bitmapResource(Background);
    const QImage made(LA_ASSETS_DIR "/background.jpg");
    QCOMPARE(picture.convertToFormat(QImage::Format_RGB32),
             made.convertToFormat(QImage::Format_RGB32));
    // Drawn from where the resource lies in the program: no copy of its pixels.
    const QResource resource(Background);
    const auto *start = static_cast<const uchar *>(resource.data());
    QVERIFY(picture.constBits() > start);
    QVERIFY(picture.constBits() + picture.sizeInBytes() <= start + resource.size());
}

void TstBitmap::shortColourMap()
{
    // A map of one colour: every other index byte still is a colour, black.
    QByteArray file = backgroundBytes();
    put32(file, 46, 1);
    const QImage picture =
        bitmapInPlace(reinterpret_cast<const uchar *>(file.constData()), file.size());
    QCOMPARE(picture.colorCount(), 256);
    const QRgb first = picture.color(0);
    QCOMPARE(picture.color(1), qRgb(0, 0, 0));
    QVERIFY(first != qRgb(0, 0, 0));
}

void TstBitmap::otherLayouts_data()
{
    QTest::addColumn<QByteArray>("file");
    const QByteArray shipped = backgroundBytes();
    QByteArray file = shipped;
    put32(file, 22, 525);
    QTest::newRow("bottom row first") << file;
    file = shipped;
    put32(file, 30, 1);
    QTest::newRow("run-length encoded") << file;
    file = shipped;
    file[28] = 24;
    QTest::newRow("24 bits a pixel") << file;
    file = shipped;
    put32(file, 46, 257);
    QTest::newRow("colour map longer than 256") << file;
    QTest::newRow("last pixel missing") << shipped.chopped(1);
    QTest::newRow("header cut short") << shipped.left(53);
    file = shipped;
    file[0] = 'P';
    QTest::newRow("not a BMP") << file;
}

void TstBitmap::otherLayouts()
{
    QFETCH(QByteArray, file);
    QVERIFY(bitmapInPlace(reinterpret_cast<const uchar *>(file.constData()), file.size()).isNull());
}

QTEST_MAIN(TstBitmap)
#include "tst_bitmap.moc"
