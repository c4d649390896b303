#pragma once

#include "display/screen.h"

#include <QImage>

#include <algorithm>
#include <vector>

namespace la {

// The scope screen's retained picture: a 557 x 400 image that every drawing operation writes
// straight into, and that the window repaints from whenever it is uncovered.
//
// Pixel footprint. A coordinate is rounded to the nearest pixel (halves upwards):
// X = floor(x + 0.5). A dot of width w covers columns X - w/2 .. X - w/2 + w - 1 and the
// same rows around Y (integer division): width 1 is the pixel (X, Y) alone, width 2 the
// 2 x 2 block from (X - 1, Y - 1) to (X, Y). A line runs through the rounded end points,
// both ends included, with a dot of the pen width at each of its pixels. Pixels beyond an
// edge are cut off; nothing wraps to the other side.
class ScreenImage : public Screen
{
public:
    static constexpr int Width = 557;
    static constexpr int Height = 400;

    ScreenImage();
    // The image points into this object's own pixels.
    ScreenImage(const ScreenImage &) = delete;
    ScreenImage &operator=(const ScreenImage &) = delete;

    void setBackColour(Colour colour) override;
    void clear() override;
    void setDrawWidth(int width) override;
    void setDrawStyle(int style) override;
    void line(float x1, float y1, float x2, float y2, Colour colour) override;
    // Defined here so that a caller holding a ScreenImage can plot without a virtual call.
    void dot(float x, float y, Colour colour) override
    {
        dotAtPixel(toPixel(x), toPixel(y), colour);
    }
    // The same dot at coordinates that are whole pixels already.
    void dotAtPixel(int x, int y, Colour colour);

    // The picture, as an image over the screen's own pixel memory: later drawing shows
    // through it, so take a copy() to keep a snapshot.
    const QImage &image() const { return m_image; }
    Colour backColour() const { return m_backColour; }
    int drawWidth() const { return m_drawWidth; }

    // True once after anything was drawn: lets the window repaint once per handler.
    bool takeDirty();

    // The pixel a coordinate falls on: floor(v + 0.5), without a library call since it
    // runs for every dot. Coordinates far beyond the screen are all equally invisible;
    // limiting them keeps the result within int and a line's walk short.
    static int toPixel(float v)
    {
        constexpr float Far = 1.0e6f;
        const float shifted = std::clamp(v, -Far, Far) + 0.5f;
        const int truncated = static_cast<int>(shifted);
        return truncated - (shifted < static_cast<float>(truncated) ? 1 : 0);
    }

private:
    void fillBlock(int left, int top, int size, std::uint32_t argb);

    std::vector<std::uint32_t> m_pixels; // Height rows of Width pixels, 0xAARRGGBB
    QImage m_image;
    Colour m_backColour = 0;
    int m_drawWidth = 1;
    int m_drawStyle = 0;
    bool m_dirty = true;
};

inline void ScreenImage::dotAtPixel(int x, int y, Colour colour)
{
    m_dirty = true;
    const int width = m_drawWidth;
    const int left = x - width / 2, top = y - width / 2;
    // Visible when some column lies in 0..Width-1: -(width-1) <= left <= Width-1, tested as
    // one unsigned comparison per axis. Most dots of a sweep at a fine zoom fail here.
    if (static_cast<unsigned>(left + width - 1) >= static_cast<unsigned>(Width + width - 1) ||
        static_cast<unsigned>(top + width - 1) >= static_cast<unsigned>(Height + width - 1))
        return;
    if (width == 2 && static_cast<unsigned>(left) < unsigned(Width - 1) &&
        static_cast<unsigned>(top) < unsigned(Height - 1)) {
        // A trace's dot wholly on the screen: the common case of every visible dot.
        const std::uint32_t argb = toArgb32(colour);
        std::uint32_t *p = m_pixels.data() + static_cast<std::size_t>(top) * Width + left;
        p[0] = argb;
        p[1] = argb;
        p[Width] = argb;
        p[Width + 1] = argb;
        return;
    }
    fillBlock(left, top, width, toArgb32(colour));
}

} // namespace la
