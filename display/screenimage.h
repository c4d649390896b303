#pragma once

#include "display/screen.h"

#include <QImage>

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

    void setBackColour(Colour colour) override;
    void clear() override;
    void setDrawWidth(int width) override;
    void setDrawStyle(int style) override;
    void line(float x1, float y1, float x2, float y2, Colour colour) override;
    void dot(float x, float y, Colour colour) override;

    const QImage &image() const { return m_image; }
    Colour backColour() const { return m_backColour; }
    int drawWidth() const { return m_drawWidth; }
    int drawStyle() const { return m_drawStyle; }

    // True once after anything was drawn: lets the window repaint once per handler.
    bool takeDirty();

private:
    void fillBlock(int left, int top, int size, std::uint32_t argb);

    QImage m_image;
    Colour m_backColour = 0;
    int m_drawWidth = 1;
    int m_drawStyle = 0;
    bool m_dirty = true;
};

} // namespace la
