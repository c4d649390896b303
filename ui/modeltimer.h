#pragma once

#include <QObject>
#include <QTimer>

namespace la {

class EventGate;
class TimerModel;

// Drives a TimerModel from a QTimer: enabling the model starts a fresh interval, disabling
// it stops the clock, and every interval that passes fires the model through the gate.
class ModelTimer : public QObject
{
    Q_OBJECT

public:
    ModelTimer(TimerModel &model, EventGate &gate, QObject *parent = nullptr);
    ~ModelTimer() override;

    const QTimer &clock() const { return m_clock; }

private:
    void refresh();

    TimerModel &m_model;
    EventGate &m_gate;
    QTimer m_clock;
};

} // namespace la
