#include "control/powerswitch.h"

#include "acquisition/channeldecoder.h"
#include "control/frontpanel.h"
#include "display/scoperenderer.h"
#include "display/screen.h"
#include "state/instrumentstate.h"

namespace la {

PowerSwitch::PowerSwitch(FrontPanel &panel, GlobalData &data, Screen &screen, ScopeRenderer &scope)
    : m_panel(panel), m_data(data), m_screen(screen), m_scope(scope)
{
}

void PowerSwitch::command9Click()
{
    if (m_panel.Command9.caption() == "ON") {
        m_panel.Command9.setCaption("OFF");
        m_panel.Shape10.setBackColour(LampOn);
        on_all();
    } else {
        m_panel.Command9.setCaption("ON");
        m_panel.Shape10.setBackColour(LampOff);
        off_all();
    }
}

void PowerSwitch::on_all()
{
    // "get" stays disabled while a capture is armed (switched off and on during the wait):
    // the capture enables it when it has run, and a second arming is never possible.
    for (ControlModel *control : m_panel.panelSet())
        control->setEnabled(control != &m_panel.Command5 || !m_panel.Timer1.enabled());
    const auto traces = m_data.traces();
    for (std::size_t k = 0; k < traces.size(); ++k) {
        for (int i = FirstSample; i <= LastSample; ++i)
            (*traces[k])[i] = Channels[k].lowerLevel; // the idle level
    }
    m_scope.draw_grid();
    m_scope.draw_sweep();
}

void PowerSwitch::off_all()
{
    for (ControlModel *control : m_panel.panelSet())
        control->setEnabled(false);
    m_screen.clear();
    m_scope.draw_grid();
}

} // namespace la
