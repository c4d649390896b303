#include "ui/scopescreen.h"

#include "display/screenimage.h"

#include <QPainter>
#include <QPaintEvent>

namespace la {

ScopeScreen::ScopeScreen(const ScreenImage &screen, QWidget *parent)
    : QWidget(parent), m_screen(screen)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

QSize ScopeScreen::sizeHint() const
{
    return m_screen.image().size();
}

void ScopeScreen::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    // Only the uncovered part; one pixel of the picture is one logical pixel of the widget.
    painter.drawImage(event->rect(), m_screen.image(), event->rect());
}

} // namespace la
