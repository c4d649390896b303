#pragma once

#include <QTimer>
#include <QWidget>

namespace la {

class EventGate;
class ScrollBarModel;

// A vertical scroll bar so short that it is nothing but its two arrow buttons: the top half
// is the top arrow, the bottom half the bottom arrow. Holding an arrow down repeats it like
// a scroll bar's; with the focus, Up or Left and Down or Right click the arrows and Page Up
// and Page Down page towards either end. Every move goes to the model through the gate.
class ArrowScrollBar : public QWidget
{
    Q_OBJECT

public:
    ArrowScrollBar(ScrollBarModel &model, EventGate &gate, QWidget *parent = nullptr);
    ~ArrowScrollBar() override;

    QSize sizeHint() const override;

    // Held-down arrows repeat after this long, then at this interval, in milliseconds.
    static constexpr int RepeatDelayMs = 500;
    static constexpr int RepeatIntervalMs = 50;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    enum class Arrow
    {
        None,
        Top,
        Bottom
    };

    QRect arrowRect(Arrow arrow) const;
    Arrow arrowAt(const QPoint &pos) const;
    void step(Arrow arrow);
    void repeat();
    void release();
    void refresh();

    ScrollBarModel &m_model;
    EventGate &m_gate;
    QTimer m_repeat;
    Arrow m_held = Arrow::None;
    bool m_overHeld = false; // the pointer is over the arrow being held
};

} // namespace la
