#pragma once

#include <QWidget>

namespace la {

class ScreenImage;

// The scope screen: shows the retained picture that the instrument draws into, pixel for
// pixel, without a border. It repaints from the picture whenever it is uncovered.
class ScopeScreen : public QWidget
{
    Q_OBJECT

public:
    explicit ScopeScreen(const ScreenImage &screen, QWidget *parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const ScreenImage &m_screen;
};

} // namespace la
