#include "ui/arrowscrollbar.h"

#include "control/eventgate.h"
#include "state/scrollbarmodel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

namespace la {

ArrowScrollBar::ArrowScrollBar(ScrollBarModel &model, EventGate &gate, QWidget *parent)
    : QWidget(parent), m_model(model), m_gate(gate)
{
    setFocusPolicy(Qt::StrongFocus);
    m_repeat.setSingleShot(false);
    connect(&m_repeat, &QTimer::timeout, this, &ArrowScrollBar::repeat);
    m_model.viewChanged = [this] { refresh(); };
    refresh();
}

ArrowScrollBar::~ArrowScrollBar()
{
    m_model.viewChanged = nullptr;
}

QSize ArrowScrollBar::sizeHint() const
{
    return {49, 25};
}

QRect ArrowScrollBar::arrowRect(Arrow arrow) const
{
    // An odd height gives the extra pixel to the bottom arrow.
    const int split = height() / 2;
    if (arrow == Arrow::Top)
        return {0, 0, width(), split};
    return {0, split, width(), height() - split};
}

ArrowScrollBar::Arrow ArrowScrollBar::arrowAt(const QPoint &pos) const
{
    if (arrowRect(Arrow::Top).contains(pos))
        return Arrow::Top;
    if (arrowRect(Arrow::Bottom).contains(pos))
        return Arrow::Bottom;
    return Arrow::None;
}

void ArrowScrollBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    for (Arrow arrow : {Arrow::Top, Arrow::Bottom}) {
        QStyleOptionButton button;
        button.initFrom(this);
        button.state &= ~QStyle::State_HasFocus;
        button.rect = arrowRect(arrow);
        if (arrow == m_held && m_overHeld)
            button.state |= QStyle::State_Sunken;
        else
            button.state |= QStyle::State_Raised;
        style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &button, &painter, this);

        QStyleOption mark = button;
        const int side = qMin(button.rect.height() - 4, 9);
        mark.rect = QRect(0, 0, side, side);
        mark.rect.moveCenter(button.rect.center());
        if (button.state & QStyle::State_Sunken)
            mark.rect.translate(1, 1);
        style()->drawPrimitive(arrow == Arrow::Top ? QStyle::PE_IndicatorArrowUp
                                                   : QStyle::PE_IndicatorArrowDown,
                               &mark, &painter, this);
    }
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(2, 2, -2, -2);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void ArrowScrollBar::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || m_held != Arrow::None) {
        event->ignore();
        return;
    }
    const Arrow arrow = arrowAt(event->position().toPoint());
    if (arrow == Arrow::None)
        return;
    m_held = arrow;
    m_overHeld = true;
    update();
    step(arrow);
    if (m_held != Arrow::None)
        m_repeat.start(RepeatDelayMs);
}

void ArrowScrollBar::mouseMoveEvent(QMouseEvent *event)
{
    if (m_held == Arrow::None)
        return;
    // Like a scroll bar: moving off the arrow pauses the repeat, moving back resumes it.
    const bool over = arrowAt(event->position().toPoint()) == m_held;
    if (over != m_overHeld) {
        m_overHeld = over;
        update();
    }
}

void ArrowScrollBar::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        release();
}

void ArrowScrollBar::keyPressEvent(QKeyEvent *event)
{
    // Left and Up both move a vertical bar towards its top end, Right and Down towards its
    // bottom end, as the desktop's own scroll bars take the arrow keys.
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Left:
        m_gate.run([this] { m_model.clickTopArrow(); });
        break;
    case Qt::Key_Down:
    case Qt::Key_Right:
        m_gate.run([this] { m_model.clickBottomArrow(); });
        break;
    case Qt::Key_PageUp:
        m_gate.run([this] { m_model.pageTowardTop(); });
        break;
    case Qt::Key_PageDown:
        m_gate.run([this] { m_model.pageTowardBottom(); });
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void ArrowScrollBar::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        release();
    QWidget::changeEvent(event);
}

void ArrowScrollBar::hideEvent(QHideEvent *event)
{
    release();
    QWidget::hideEvent(event);
}

void ArrowScrollBar::step(Arrow arrow)
{
    if (arrow == Arrow::Top)
        m_gate.run([this] { m_model.clickTopArrow(); });
    else
        m_gate.run([this] { m_model.clickBottomArrow(); });
}

void ArrowScrollBar::repeat()
{
    if (m_held == Arrow::None || m_gate.ended()) {
        release();
        return;
    }
    m_repeat.setInterval(RepeatIntervalMs);
    // While a handler's message is open the arrow waits: its steps would pile up behind it.
    if (m_overHeld && !m_gate.busy())
        step(m_held);
}

void ArrowScrollBar::release()
{
    m_repeat.stop();
    if (m_held == Arrow::None)
        return;
    m_held = Arrow::None;
    m_overHeld = false;
    update();
}

void ArrowScrollBar::refresh()
{
    setEnabled(m_model.enabled());
    update();
}

} // namespace la
