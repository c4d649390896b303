#pragma once

#include <QImage>
#include <QString>

namespace la {

// The window's pictures are BMP files in the program's resources. Qt reads BMP itself, so
// no image plugin is loaded for them (and none is asked: Qt's reader otherwise loads every
// installed plugin to ask whether it claims the format).

// The picture of the BMP resource at `path`. An 8-bit colour-mapped one stored top row
// first, uncompressed, in an uncompressed resource (the background) is an Indexed8 image
// over the resource's own bytes, with no copy and no decoding; any other is read by Qt's
// BMP reader. Null when there is no such picture.
QImage bitmapResource(const QString &path);

// The picture in `bytes` as an Indexed8 image over those bytes, or a null image when it is
// not an 8-bit colour-mapped BMP stored top row first, uncompressed. The bytes must outlive
// the image.
QImage bitmapInPlace(const uchar *bytes, qsizetype size);

} // namespace la
