#include "display/screenimage.h"

#include "state/runtimeerror.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

namespace la {

ScreenImage::ScreenImage()
    : m_pixels(static_cast<std::size_t>(Width) * Height, toArgb32(0)),
      m_image(reinterpret_cast<const uchar *>(m_pixels.data()), Width, Height,
              Width * static_cast<int>(sizeof(std::uint32_t)), QImage::Format_RGB32)
{
}

void ScreenImage::setBackColour(Colour colour)
{
    m_backColour = colour;
}

void ScreenImage::clear()
{
    std::fill(m_pixels.begin(), m_pixels.end(), toArgb32(m_backColour));
    m_dirty = true;
}

void ScreenImage::setDrawWidth(int width)
{
    if (width < 1 || width > 32767) {
        throw RuntimeError(RuntimeError::Kind::InvalidProperty,
                           "draw width " + std::to_string(width) + " lies outside 1..32767");
    }
    m_drawWidth = width;
}

void ScreenImage::setDrawStyle(int style)
{
    if (style < 0 || style > 6) {
        throw RuntimeError(RuntimeError::Kind::InvalidProperty,
                           "draw style " + std::to_string(style) + " lies outside 0..6");
    }
    m_drawStyle = style;
}

void ScreenImage::line(float x1, float y1, float x2, float y2, Colour colour)
{
    const std::uint32_t argb = toArgb32(colour);
    const int half = m_drawWidth / 2;
    int x = toPixel(x1), y = toPixel(y1);
    const int xEnd = toPixel(x2), yEnd = toPixel(y2);

    if (y == yEnd || x == xEnd) {
        // Straight lines, such as the graticule's, as one clipped block.
        const int left = std::min(x, xEnd) - half, top = std::min(y, yEnd) - half;
        const int right = std::max(x, xEnd) - half + m_drawWidth;
        const int bottom = std::max(y, yEnd) - half + m_drawWidth;
        const int l = std::max(left, 0), t = std::max(top, 0);
        const int r = std::min(right, Width), b = std::min(bottom, Height);
        for (int row = t; row < b; ++row) {
            std::uint32_t *line = m_pixels.data() + static_cast<std::size_t>(row) * Width;
            std::fill(line + l, line + std::max(l, r), argb);
        }
        m_dirty = true;
        return;
    }

    // Bresenham's walk, both ends included.
    const int dx = std::abs(xEnd - x), sx = x < xEnd ? 1 : -1;
    const int dy = -std::abs(yEnd - y), sy = y < yEnd ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        fillBlock(x - half, y - half, m_drawWidth, argb);
        if (x == xEnd && y == yEnd)
            break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

bool ScreenImage::takeDirty()
{
    return std::exchange(m_dirty, false);
}

void ScreenImage::fillBlock(int left, int top, int size, std::uint32_t argb)
{
    m_dirty = true;
    const int l = std::max(left, 0), t = std::max(top, 0);
    const int r = std::min(left + size, Width), b = std::min(top + size, Height);
    for (int row = t; row < b; ++row) {
        std::uint32_t *line = m_pixels.data() + static_cast<std::size_t>(row) * Width;
        for (int col = l; col < r; ++col)
            line[col] = argb;
    }
}

} // namespace la
