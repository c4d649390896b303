#pragma once

#include "state/controlmodel.h"

namespace la {

// A secondary window: shown or hidden, and unloaded for good at exit.
class WindowModel : public ControlModel
{
public:
    bool shown() const { return m_shown; }
    bool loaded() const { return m_loaded; }

    void show() { setShown(true); }
    void hide() { setShown(false); }
    void unload()
    {
        m_shown = false;
        m_loaded = false;
        notifyView();
    }

private:
    void setShown(bool shown)
    {
        if (m_shown == shown && m_loaded)
            return;
        m_loaded = true;
        m_shown = shown;
        notifyView();
    }

    bool m_shown = false;
    bool m_loaded = true;
};

} // namespace la
