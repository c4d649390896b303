#pragma once

#include <functional>

namespace la {

// The state of one control of a window, kept apart from the widget that shows it so that
// handlers and tests need no window. The widget sets `viewChanged` to repaint itself from the
// model; the instrument sets the event handlers of the derived models.
class ControlModel
{
public:
    virtual ~ControlModel() = default;

    bool enabled() const { return m_enabled; }
    void setEnabled(bool enabled)
    {
        if (m_enabled == enabled)
            return;
        m_enabled = enabled;
        notifyView();
    }

    std::function<void()> viewChanged;

protected:
    explicit ControlModel(bool enabled = true) : m_enabled(enabled) {}
    void notifyView() const
    {
        if (viewChanged)
            viewChanged();
    }

private:
    bool m_enabled;
};

} // namespace la
