#include "ui/framebox.h"

#include "ui/widgetlooks.h"

#include <QPainter>

namespace la {

FrameBox::FrameBox(const QString &caption, const QColor &back, const QColor &captionColour,
                   QWidget *parent)
    : QWidget(parent), m_caption(caption)
{
    setFocusPolicy(Qt::NoFocus);
    setRole(this, QPalette::Window, back);
    setRole(this, QPalette::WindowText, captionColour);
    setAutoFillBackground(true);
}

void FrameBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QFontMetrics metrics = fontMetrics();
    // The border runs through the middle of the caption's line.
    const int top = metrics.height() / 2;
    const QRect border(0, top, width() - 1, height() - 1 - top);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(border.adjusted(0, 0, -1, -1));
    painter.setPen(palette().color(QPalette::Light));
    painter.drawRect(border.adjusted(1, 1, 0, 0));

    if (m_caption.isEmpty())
        return;
    const int left = 6;
    const QRect captionRect(left, 0, metrics.horizontalAdvance(m_caption) + 4, metrics.height());
    painter.fillRect(captionRect, palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(captionRect, Qt::AlignCenter | Qt::TextSingleLine, m_caption);
}

} // namespace la
