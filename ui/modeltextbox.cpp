#include "ui/modeltextbox.h"

#include "state/textmodel.h"

namespace la {

ModelTextBox::ModelTextBox(TextModel &model, QWidget *parent) : QLineEdit(parent), m_model(model)
{
    setReadOnly(true);
    setAlignment(Qt::AlignCenter);
    // The boxes are narrow: give the text the room that a line edit keeps beside it.
    setTextMargins(-2, 0, -2, 0);
    m_model.viewChanged = [this] { refresh(); };
    refresh();
}

ModelTextBox::~ModelTextBox()
{
    m_model.viewChanged = nullptr;
}

void ModelTextBox::refresh()
{
    setText(QString::fromStdString(m_model.text()));
    // From its first character: a text wider than the box ("1089.0") loses its end, never
    // its leading digits.
    setCursorPosition(0);
    setToolTip(QString::fromStdString(m_model.toolTip()));
    setEnabled(m_model.enabled());
}

} // namespace la
