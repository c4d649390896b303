#include "ui/bitmap.h"

#include <QImageReader>
#include <QList>
#include <QResource>

#include <cstdint>

namespace la {

namespace {

// The file header (14 bytes) and the start of the info header, little-endian.
constexpr qsizetype FileHeaderSize = 14, InfoHeaderSize = 40;
constexpr int Uncompressed = 0; // BI_RGB

std::uint32_t u32(const uchar *b)
{
    return b[0] | b[1] << 8 | b[2] << 16 | std::uint32_t(b[3]) << 24;
}

} // namespace

QImage bitmapInPlace(const uchar *bytes, qsizetype size)
{
    if (size < FileHeaderSize + InfoHeaderSize || bytes[0] != 'B' || bytes[1] != 'M')
        return {};
    const qsizetype pixelOffset = u32(bytes + 10);
    const qsizetype infoSize = u32(bytes + 14);
    const auto width = std::int32_t(u32(bytes + 18));
    const auto height = std::int32_t(u32(bytes + 22)); // negative: the top row comes first
    const int bitsPerPixel = bytes[28] | bytes[29] << 8;
    const std::uint32_t compression = u32(bytes + 30);
    const std::uint32_t coloursUsed = u32(bytes + 46);
    const qsizetype colours = coloursUsed == 0 ? 256 : coloursUsed;
    const qsizetype mapOffset = FileHeaderSize + infoSize;
    if (infoSize < InfoHeaderSize || width <= 0 || height >= 0 || height < -65535 ||
        width > 65535 || bitsPerPixel != 8 || compression != Uncompressed || colours > 256 ||
        mapOffset + 4 * colours > pixelOffset)
        return {};
    const qsizetype rows = -qsizetype(height);
    const qsizetype bytesPerLine = (width + 3) / 4 * 4; // each row padded to 32 bits
    if (pixelOffset > size || (size - pixelOffset) / bytesPerLine < rows)
        return {};

    QList<QRgb> table(256, qRgb(0, 0, 0)); // any index byte is a colour, black beyond the map
    for (qsizetype i = 0; i < colours; ++i) {
        const uchar *entry = bytes + mapOffset + 4 * i; // blue, green, red, unused
        table[i] = qRgb(entry[2], entry[1], entry[0]);
    }
    QImage image(bytes + pixelOffset, width, int(rows), bytesPerLine, QImage::Format_Indexed8);
    image.setColorTable(table);
    return image;
}

QImage bitmapResource(const QString &path)
{
    const QResource resource(path);
    if (resource.isValid() && resource.compressionAlgorithm() == QResource::NoCompression) {
        QImage image = bitmapInPlace(resource.data(), resource.size());
        if (!image.isNull())
            return image;
    }
    QImageReader reader(path, "bmp");
    reader.setAutoDetectImageFormat(false); // Qt's own BMP reader, no plugin asked
    return reader.read();
}

} // namespace la
