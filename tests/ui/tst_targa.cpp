// The TGA reader: the shipped background as the JPEG it was made from, read where it lies;
// small files in the right order and colours; other layouts refused.

#include "ui/targa.h"

#include <QResource>
#include <QtTest>

using namespace la;

namespace {

// A TGA file; the defaults make a 2 x 2 colour-mapped picture, top row first.
struct Targa
{
    int mapType = 1, imageType = 1, mapFirst = 0, mapLength = 3, mapEntryBits = 24;
    int width = 2, height = 2, pixelBits = 8, descriptor = 0x20;
    QByteArray id;
    QByteArray map = QByteArray::fromHex("0000ff00ff00ff0000"); // red, green, blue as BGR
    QByteArray pixels = QByteArray::fromHex("00010203");        // index 3 lies beyond the map

    QByteArray bytes() const
    {
        QByteArray b;
        auto u16 = [&b](int v) { b.append(char(v & 0xff)).append(char(v >> 8)); };
        b.append(char(id.size())).append(char(mapType)).append(char(imageType));
        u16(mapFirst), u16(mapLength), b.append(char(mapEntryBits));
        u16(0), u16(0), u16(width), u16(height); // origin, size
        b.append(char(pixelBits)).append(char(descriptor));
        return b + id + map + pixels;
    }
};

Targa trueColour()
{
    Targa t;
    t.mapType = 0, t.imageType = 2, t.mapLength = 0, t.mapEntryBits = 0;
    t.pixelBits = 32, t.descriptor = 0x28, t.map.clear();
    t.pixels = QByteArray::fromHex("0000ffff00ff008000000000ffffffff"); // BGRA
    return t;
}

QStringList colours(const QImage &image)
{
    QStringList names;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            names << QString::number(image.pixel(x, y), 16);
    return names;
}

const QStringList MappedColours{"ffff0000", "ff00ff00", "ff0000ff", "ff000000"};

} // namespace

class TstTarga : public QObject
{
    Q_OBJECT

private slots:
    void shippedBackground();
    void readsSmallFiles_data();
    void readsSmallFiles();
    void refusesOtherLayouts_data();
    void refusesOtherLayouts();
    void imageKeepsItsFile();
};

void TstTarga::shippedBackground()
{
    const QResource resource(QStringLiteral(":/assets/background.tga"));
    const QByteArray file = resourceBytes(resource.fileName());
    const QImage picture = colourMappedTarga(file);
    const QImage made(LA_ASSETS_DIR "/background.jpg");
    QCOMPARE(picture.convertToFormat(QImage::Format_RGB32),
             made.convertToFormat(QImage::Format_RGB32));
    // Drawn from where the resource lies in the program: no copy of its pixels.
    const auto *start = static_cast<const uchar *>(resource.data());
    QVERIFY(picture.constBits() > start);
    QVERIFY(picture.constBits() + picture.sizeInBytes() <= start + resource.size());
}

void TstTarga::readsSmallFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("mapped");
    QTest::addColumn<QStringList>("expected"); // row by row, from the top

    QTest::newRow("colour-mapped") << Targa().bytes() << true << MappedColours;
    Targa withId;
    withId.id = "made by hand";
    QTest::newRow("colour-mapped, with an image ID") << withId.bytes() << true << MappedColours;
    QTest::newRow("true-colour") << trueColour().bytes() << false
                                 << QStringList{"ffff0000", "8000ff00", "0", "ffffffff"};
}

void TstTarga::readsSmallFiles()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, mapped);
    QFETCH(QStringList, expected);
    const QImage image = mapped ? colourMappedTarga(file) : trueColourTarga(file);
    QCOMPARE(colours(image), expected);
    QVERIFY((mapped ? trueColourTarga(file) : colourMappedTarga(file)).isNull());
}

void TstTarga::refusesOtherLayouts_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("mapped");

    QTest::newRow("header cut short") << Targa().bytes().left(17) << true;
    QTest::newRow("last pixel missing") << Targa().bytes().chopped(1) << true;
    Targa t;
    t.descriptor = 0x00;
    QTest::newRow("bottom row first") << t.bytes() << true;
    t = Targa();
    t.imageType = 9;
    QTest::newRow("run-length encoded") << t.bytes() << true;
    t = Targa();
    t.mapLength = 257;
    t.map = QByteArray(257 * 3, '\0');
    QTest::newRow("map longer than 256") << t.bytes() << true;
    t = trueColour();
    t.pixelBits = 24, t.descriptor = 0x20, t.pixels.resize(12);
    QTest::newRow("true-colour without alpha") << t.bytes() << false;
}

void TstTarga::refusesOtherLayouts()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, mapped);
    QVERIFY((mapped ? colourMappedTarga(file) : trueColourTarga(file)).isNull());
}

void TstTarga::imageKeepsItsFile()
{
    QImage image;
    {
        QByteArray file = Targa().bytes();
        image = colourMappedTarga(file);
        file.fill('\xee'); // the caller's copy changes and goes; the image's bytes stay
    }
    QCOMPARE(colours(image), MappedColours);
}

QTEST_MAIN(TstTarga)
#include "tst_targa.moc"
