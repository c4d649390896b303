#pragma once

#include "state/controlmodel.h"

namespace la {

// An interval timer: while enabled, `tick` runs every interval. Enabling it starts the
// interval afresh; the binding to a real clock lives in the window (or in a test).
class TimerModel : public ControlModel
{
public:
    explicit TimerModel(int intervalMs) : ControlModel(false), m_intervalMs(intervalMs) {}

    int interval() const { return m_intervalMs; }

    // The clock's notice that an interval has passed; ignored while disabled.
    void fire()
    {
        if (enabled() && onTick)
            onTick();
    }

    std::function<void()> onTick;

private:
    int m_intervalMs;
};

} // namespace la
