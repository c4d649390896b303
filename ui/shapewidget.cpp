#include "ui/shapewidget.h"

#include "state/shapemodel.h"
#include "ui/widgetlooks.h"

#include <QPainter>

namespace la {

ShapeWidget::ShapeWidget(Form form, ShapeModel &model, const QColor &outline, QWidget *parent)
    : QWidget(parent), m_form(form), m_model(&model), m_outline(outline)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    m_model->viewChanged = [this] { update(); };
}

ShapeWidget::ShapeWidget(Form form, const QColor &fill, const QColor &outline, QWidget *parent)
    : QWidget(parent), m_form(form), m_fill(fill), m_outline(outline)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

ShapeWidget::~ShapeWidget()
{
    if (m_model)
        m_model->viewChanged = nullptr;
}

QRect ShapeWidget::shapeRect() const
{
    if (m_form == Form::Rectangle)
        return rect();
    const int side = qMin(width(), height());
    QRect square(0, 0, side, side);
    square.moveCenter(rect().center());
    return square;
}

QColor ShapeWidget::fill() const
{
    return m_model ? toQColor(m_model->backColour()) : m_fill;
}

void ShapeWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect shape = shapeRect();
    // The outline lies inside the box, so a lamp never grows beyond its place.
    painter.fillRect(shape, m_outline);
    painter.fillRect(shape.adjusted(OutlineWidth, OutlineWidth, -OutlineWidth, -OutlineWidth),
                     fill());
}

} // namespace la
