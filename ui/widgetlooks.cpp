#include "ui/widgetlooks.h"

#include <QApplication>
#include <QPointer>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>

namespace la {

namespace {

const QString PanelStyle = QStringLiteral("Fusion");

} // namespace

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
    // Where the desktop gives the program this style already (a desktop without a theme of
    // its own), the widgets keep it: a second instance would only cost start-up time and
    // memory. Elsewhere one instance serves the whole program, deleted with the application.
    if (QApplication::style()->name().compare(PanelStyle, Qt::CaseInsensitive) == 0)
        return;
    static QPointer<QStyle> style;
    if (!style) {
        style = QStyleFactory::create(PanelStyle);
        style->setParent(qApp);
    }
    root->setStyle(style);
    for (QWidget *child : root->findChildren<QWidget *>())
        child->setStyle(style);
}

} // namespace la
