#include "ui/modelbutton.h"

#include "control/eventgate.h"
#include "state/buttonmodel.h"

namespace la {

ModelButton::ModelButton(ButtonModel &model, EventGate &gate, QWidget *parent)
    : QPushButton(parent), m_model(model)
{
    m_model.viewChanged = [this] { refresh(); };
    connect(this, &QPushButton::clicked, this,
            [this, &gate] { gate.run([this] { m_model.click(); }); });
    refresh();
}

ModelButton::~ModelButton()
{
    m_model.viewChanged = nullptr;
}

void ModelButton::refresh()
{
    setText(QString::fromStdString(m_model.caption()));
    setEnabled(m_model.enabled());
}

} // namespace la
