#pragma once

namespace la {

struct GlobalData;
struct MainFields;
struct PortPanel;

// The port settings window's logic: the base address list sets the three register
// addresses; "OK" and the main window's "port" button hide and show the window.
class PortSettings
{
public:
    PortSettings(PortPanel &panel, GlobalData &data, MainFields &fields);

    void combo1Click();    // a base address was chosen
    void command14Click(); // "OK"
    void command3Click();  // "port" on the main window

private:
    PortPanel &m_panel;
    GlobalData &m_data;
    MainFields &m_fields;
};

} // namespace la
