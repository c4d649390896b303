#include "port/portsettings.h"

#include "acquisition/parallelport.h"
#include "port/portpanel.h"
#include "state/instrumentstate.h"
#include "state/int16.h"

namespace la {

PortSettings::PortSettings(PortPanel &panel, GlobalData &data, MainFields &fields)
    : m_panel(panel), m_data(data), m_fields(fields)
{
}

void PortSettings::combo1Click()
{
    m_data.setDataPort(textToInt16(m_panel.Combo1.text()));
    // The 16-bit pattern of each address.
    m_panel.Text1.setText(hexAddress(static_cast<std::uint16_t>(m_data.data_port)));
    m_panel.Text2.setText(hexAddress(static_cast<std::uint16_t>(m_data.status_port)));
    m_panel.Text3.setText(hexAddress(static_cast<std::uint16_t>(m_data.control_port)));
}

void PortSettings::command14Click()
{
    m_panel.window.hide();
    m_fields.port_shown = 0;
}

void PortSettings::command3Click()
{
    if (m_fields.port_shown == 1) {
        m_fields.port_shown = 0;
        m_panel.window.hide();
    } else {
        m_fields.port_shown = 1;
        m_panel.window.show();
    }
}

} // namespace la
