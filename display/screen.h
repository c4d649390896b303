#pragma once

#include "state/colour.h"

namespace la {

// The scope screen's drawing operations. Coordinates are absolute screen pixels, single
// precision, origin at the top left, y growing downwards; whatever falls outside the screen
// is cut off. Nothing here ever clears or redraws by itself.
class Screen
{
public:
    virtual ~Screen() = default;

    virtual void setBackColour(Colour colour) = 0;
    // Fills the whole screen with the back colour.
    virtual void clear() = 0;
    // Pen width in pixels (1 or more) for lines and dots.
    virtual void setDrawWidth(int width) = 0;
    // 0 is solid, the only style the instrument draws with.
    virtual void setDrawStyle(int style) = 0;
    virtual void line(float x1, float y1, float x2, float y2, Colour colour) = 0;
    // One dot of the current draw width centred at (x, y).
    virtual void dot(float x, float y, Colour colour) = 0;
};

} // namespace la
