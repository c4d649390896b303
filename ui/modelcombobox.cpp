#include "ui/modelcombobox.h"

#include "control/eventgate.h"
#include "state/listmodel.h"

#include <QApplication>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyleOptionButton>

namespace la {

ModelComboBox::ModelComboBox(ListModel &model, EventGate &gate, QWidget *parent)
    : QComboBox(parent), m_model(model)
{
    setEditable(false);
    {
        const QSignalBlocker blocker(this);
        for (const std::string &entry : m_model.entries())
            addItem(QString::fromStdString(entry));
    }
    m_model.viewChanged = [this] { refresh(); };
    // `activated` comes from the user alone (a pick in the list, the arrow keys, the wheel),
    // never from refreshing.
    connect(this, &QComboBox::activated, this, [this, &gate](int index) {
        gate.run([this, index] { m_model.choose(index); });
        refresh();
    });
    refresh();
}

ModelComboBox::~ModelComboBox()
{
    m_model.viewChanged = nullptr;
}

void ModelComboBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QPalette &colours = palette();
    const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;

    // A framed edit area holding the chosen entry.
    painter.fillRect(rect(), colours.color(group, QPalette::Base));
    painter.setPen(colours.color(QPalette::Dark));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));

    QStyleOptionButton button;
    button.initFrom(this);
    button.state &= ~QStyle::State_HasFocus;
    button.state |= QStyle::State_Raised;
    button.rect = QRect(width() - 1 - ArrowWidth, 1, ArrowWidth, height() - 2);
    // The arrow button keeps the desktop's button colours; only the edit area is tinted.
    button.palette = QApplication::palette(this);
    button.palette.setCurrentColorGroup(group);
    style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &button, &painter, this);
    QStyleOption arrow = button;
    arrow.rect = QRect(0, 0, 9, 9);
    arrow.rect.moveCenter(button.rect.center());
    style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &arrow, &painter, this);

    QRect textRect(2, 2, width() - ArrowWidth - 4, height() - 4);
    if (hasFocus()) {
        painter.fillRect(textRect, colours.color(QPalette::Highlight));
        painter.setPen(colours.color(QPalette::HighlightedText));
    } else {
        painter.setPen(colours.color(group, QPalette::Text));
    }
    painter.setClipRect(textRect);
    painter.drawText(textRect.adjusted(1, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                     currentText());
}

void ModelComboBox::refresh()
{
    const QSignalBlocker blocker(this);
    setCurrentIndex(m_model.selectedIndex());
    setEnabled(m_model.enabled());
}

} // namespace la
