#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace la {

// The window's pictures are Truevision TGA files without run-length encoding in the
// program's resources, read here with no image plugin and no decoding: a plugin loaded and a
// picture decoded at start-up delay the window and stay in memory.
//
// Only the layouts that scripts/make-assets.sh writes are accepted, each drawn top row
// first (descriptor bit 5 set, bit 4 clear) with the colour map starting at entry 0;
// anything else gives a null image.

// A colour-mapped picture with 8-bit indices and a map of 24-bit entries (image type 1), as
// an Indexed8 image over `file`'s own bytes: no copy is made, the image keeps `file` alive.
// The colour table always has 256 entries (those beyond the file's map are black), so any
// index byte is a colour.
QImage colourMappedTarga(const QByteArray &file);

// A true-colour picture of 32-bit pixels with 8 bits of alpha, not premultiplied (image
// type 2), as an ARGB32 image of its own.
QImage trueColourTarga(const QByteArray &file);

// A resource's bytes; without a copy when the resource is stored uncompressed, as the
// pictures are. Empty when there is no such resource.
QByteArray resourceBytes(const QString &path);

} // namespace la
