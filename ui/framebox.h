#pragma once

#include <QColor>
#include <QWidget>

namespace la {

// A frame: a filled panel with an etched border and a caption set into its top edge. The
// controls inside it are its children, placed relative to its top-left corner. It takes no
// focus.
class FrameBox : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption CONSTANT)

public:
    FrameBox(const QString &caption, const QColor &back, const QColor &captionColour,
             QWidget *parent = nullptr);

    QString caption() const { return m_caption; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_caption;
};

} // namespace la
