#include "ui/targa.h"

#include <QList>
#include <QResource>

#include <optional>

namespace la {

namespace {

// The fixed part of a TGA file, little-endian.
constexpr qsizetype HeaderSize = 18;
constexpr int ColourMapped = 1, TrueColour = 2; // image types, both uncompressed
constexpr int TopRowFirst = 0x20, RightToLeft = 0x10, AlphaBits = 0x0f; // descriptor bits

struct Header
{
    int idLength;
    int mapType; // 1: a colour map follows the image ID
    int imageType;
    int mapFirst;
    int mapLength;
    int mapEntryBits;
    int width;
    int height;
    int pixelBits;
    int descriptor;

    qsizetype pixelOffset() const
    {
        const qsizetype mapBytes =
            mapType == 1 ? qsizetype(mapLength) * ((mapEntryBits + 7) / 8) : 0;
        return HeaderSize + idLength + mapBytes;
    }
};

std::optional<Header> readHeader(const QByteArray &file)
{
    if (file.size() < HeaderSize)
        return std::nullopt;
    const auto *b = reinterpret_cast<const uchar *>(file.constData());
    auto u16 = [b](int at) { return b[at] | b[at + 1] << 8; };
    const Header h{b[0], b[1], b[2], u16(3), u16(5), b[7], u16(12), u16(14), b[16], b[17]};
    if (h.width == 0 || h.height == 0 ||
        (h.descriptor & (TopRowFirst | RightToLeft)) != TopRowFirst)
        return std::nullopt;
    return h;
}

// Whether the file holds every pixel after the header, the ID and the colour map.
bool holdsPixels(const QByteArray &file, const Header &h, int bytesPerPixel)
{
    return file.size() - h.pixelOffset() >= qsizetype(h.width) * h.height * bytesPerPixel;
}

} // namespace

QImage colourMappedTarga(const QByteArray &file)
{
    const std::optional<Header> h = readHeader(file);
    if (!h || h->mapType != 1 || h->imageType != ColourMapped || h->mapFirst != 0 ||
        h->mapLength > 256 || h->mapEntryBits != 24 || h->pixelBits != 8 ||
        !holdsPixels(file, *h, 1))
        return {};
    const auto *bytes = reinterpret_cast<const uchar *>(file.constData());

    QList<QRgb> colours(256, qRgb(0, 0, 0));
    const uchar *entry = bytes + HeaderSize + h->idLength;
    for (int i = 0; i < h->mapLength; ++i, entry += 3)
        colours[i] = qRgb(entry[2], entry[1], entry[0]); // stored blue, green, red

    // A copy of the array (shared, not duplicated) lives as long as the image's pixels.
    QImage image(
        bytes + h->pixelOffset(), h->width, h->height, h->width, QImage::Format_Indexed8,
        [](void *array) { delete static_cast<QByteArray *>(array); }, new QByteArray(file));
    image.setColorTable(colours);
    return image;
}

QImage trueColourTarga(const QByteArray &file)
{
    const std::optional<Header> h = readHeader(file);
    if (!h || h->mapType != 0 || h->imageType != TrueColour || h->pixelBits != 32 ||
        (h->descriptor & AlphaBits) != 8 || !holdsPixels(file, *h, 4))
        return {};
    QImage image(h->width, h->height, QImage::Format_ARGB32);
    if (image.isNull())
        return {};
    const auto *pixel = reinterpret_cast<const uchar *>(file.constData()) + h->pixelOffset();
    for (int y = 0; y < h->height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < h->width; ++x, pixel += 4)
            line[x] = qRgba(pixel[2], pixel[1], pixel[0], pixel[3]); // blue, green, red, alpha
    }
    return image;
}

QByteArray resourceBytes(const QString &path)
{
    const QResource resource(path);
    if (!resource.isValid())
        return {};
    if (resource.compressionAlgorithm() == QResource::NoCompression)
        return QByteArray::fromRawData(reinterpret_cast<const char *>(resource.data()),
                                       resource.size());
    return resource.uncompressedData();
}

} // namespace la
