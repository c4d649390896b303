#include "port/portsettings.h"

#include "control/instrumentstate.h"
#include "control/int16.h"
#include "port/portpanel.h"

#include <cstdio>

namespace la {

PortSettings::PortSettings(PortPanel &panel, GlobalData &data, MainFields &fields,
                           ButtonModel &portButton)
    : m_panel(panel), m_data(data), m_fields(fields)
{
    m_panel.Combo1.onClick = [this] { combo1Click(); };
    m_panel.Command14.onClick = [this] { command14Click(); };
    portButton.onClick = [this] { command3Click(); };
}

void PortSettings::combo1Click()
{
    m_data.setDataPort(textToInt16(m_panel.Combo1.text()));
    m_panel.Text1.setText(hexAddress(m_data.data_port));
    m_panel.Text2.setText(hexAddress(m_data.status_port));
    m_panel.Text3.setText(hexAddress(m_data.control_port));
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

std::string PortSettings::hexAddress(std::int16_t address)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(static_cast<std::uint16_t>(address)));
    return text;
}

} // namespace la
