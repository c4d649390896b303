#pragma once

#include <QColor>
#include <QWidget>

namespace la {

class ShapeModel;

// A lamp or a plain dark panel drawn on the window's surface: an opaque rectangle, or a
// square centred in its box, filled with one colour inside a 2-pixel outline. It takes no
// input; clicks go to whatever lies below.
class ShapeWidget : public QWidget
{
    Q_OBJECT

public:
    enum class Form
    {
        Rectangle,
        Square
    };

    static constexpr int OutlineWidth = 2;

    // A shape whose fill follows the model's back colour.
    ShapeWidget(Form form, ShapeModel &model, const QColor &outline, QWidget *parent = nullptr);
    // A shape that keeps one fill colour.
    ShapeWidget(Form form, const QColor &fill, const QColor &outline, QWidget *parent = nullptr);
    ~ShapeWidget() override;

    // The part of the box the shape covers.
    QRect shapeRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor fill() const;

    Form m_form;
    ShapeModel *m_model = nullptr;
    QColor m_fill;
    QColor m_outline;
};

} // namespace la
