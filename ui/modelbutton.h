#pragma once

#include <QPushButton>

namespace la {

class ButtonModel;
class EventGate;

// A push button showing a ButtonModel: its caption and whether it is enabled. A click goes
// to the model through the gate.
class ModelButton : public QPushButton
{
    Q_OBJECT

public:
    ModelButton(ButtonModel &model, EventGate &gate, QWidget *parent = nullptr);
    ~ModelButton() override;

private:
    void refresh();

    ButtonModel &m_model;
};

} // namespace la
