#include "ui/widgetlooks.h"

#include <QApplication>
#include <QPointer>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>

namespace la {

void setRole(QWidget *widget, QPalette::ColorRole role, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

void setControlColours(QWidget *widget, const QColor &back, const QColor &text)
{
    QPalette palette = widget->palette();
    for (QPalette::ColorRole role : {QPalette::Base, QPalette::Button, QPalette::Window})
        palette.setColor(role, back);
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText})
        palette.setColor(role, text);
    // Halfway between text and face: readable, and plainly not operable.
    const QColor dim((back.red() + text.red()) / 2, (back.green() + text.green()) / 2,
                     (back.blue() + text.blue()) / 2);
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText})
        palette.setColor(QPalette::Disabled, role, dim);
    widget->setPalette(palette);
}

QFont panelFont()
{
    QFont font = QApplication::font();
    font.setPointSizeF(8);
    return font;
}

void usePanelStyle(QWidget *root)
{
    // One instance for the whole program, deleted with the application.
    static QPointer<QStyle> style;
    if (!style) {
        style = QStyleFactory::create(QStringLiteral("Fusion"));
        style->setParent(qApp);
    }
    root->setStyle(style);
    for (QWidget *child : root->findChildren<QWidget *>())
        child->setStyle(style);
}

} // namespace la
