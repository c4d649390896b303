#pragma once

#include "state/colour.h"
#include "state/controlmodel.h"

namespace la {

// A lamp or frame drawn on the window's surface: only its back colour changes at run time.
class ShapeModel : public ControlModel
{
public:
    explicit ShapeModel(Colour backColour) : m_backColour(backColour) {}

    Colour backColour() const { return m_backColour; }
    void setBackColour(Colour colour)
    {
        if (m_backColour == colour)
            return;
        m_backColour = colour;
        notifyView();
    }

private:
    Colour m_backColour;
};

} // namespace la
