#pragma once

#include "state/colour.h"

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QRect>

class QStyle;
class QWidget;

namespace la {

// Window units: 15 twips are one pixel at 96 dots per inch. Positions stay in pixels of 96
// dpi; on denser screens Qt's device-pixel ratio enlarges the whole window.
constexpr int TwipsPerPixel = 15;

constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(left / TwipsPerPixel, top / TwipsPerPixel, width / TwipsPerPixel,
                 height / TwipsPerPixel);
}

inline QColor toQColor(Colour colour)
{
    return QColor(redOf(colour), greenOf(colour), blueOf(colour));
}

// Sets one colour role of a widget's palette in every colour group.
void setRole(QWidget *widget, QPalette::ColorRole role, const QColor &colour);

// Sets the roles a control draws its text and its face with: `back` for the face and the
// edit area, `text` for the text, and a dimmer text while the control is disabled.
void setControlColours(QWidget *widget, const QColor &back, const QColor &text);

// The windows' own font: the desktop's usual family at 8 points, the size the layout's
// controls were measured for (a text box 33 pixels wide holds "000.0" and no more).
QFont panelFont();

// Draws `root` and every widget inside it with the panel style: one that paints a push
// button's face in its palette's button colour whatever the desktop's theme.
void usePanelStyle(QWidget *root);

} // namespace la
