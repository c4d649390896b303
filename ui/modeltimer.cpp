#include "ui/modeltimer.h"

#include "control/eventgate.h"
#include "state/timermodel.h"

namespace la {

ModelTimer::ModelTimer(TimerModel &model, EventGate &gate, QObject *parent)
    : QObject(parent), m_model(model), m_gate(gate)
{
    m_clock.setTimerType(Qt::PreciseTimer);
    m_model.viewChanged = [this] { refresh(); };
    connect(&m_clock, &QTimer::timeout, this, [this] {
        // A program that is ending takes no more ticks; stop asking.
        if (m_gate.ended()) {
            m_clock.stop();
            return;
        }
        m_gate.run([this] { m_model.fire(); });
    });
    refresh();
}

ModelTimer::~ModelTimer()
{
    m_model.viewChanged = nullptr;
}

void ModelTimer::refresh()
{
    // The model notifies only real changes, so enabling always means a fresh interval.
    if (m_model.enabled() && !m_gate.ended())
        m_clock.start(m_model.interval());
    else
        m_clock.stop();
}

} // namespace la
