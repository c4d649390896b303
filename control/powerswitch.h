#pragma once

#include "state/colour.h"

namespace la {

class Screen;
class ScopeRenderer;
struct FrontPanel;
struct GlobalData;

// The power switch: its caption names what the next press does ("ON" while the instrument
// is off) and is the only record of the power state.
class PowerSwitch
{
public:
    static constexpr Colour LampOn = rgb(124, 252, 0);
    static constexpr Colour LampOff = rgb(34, 139, 34);

    PowerSwitch(FrontPanel &panel, GlobalData &data, Screen &screen, ScopeRenderer &scope);

    void command9Click();
    // Enables the panel, fills the traces with their idle levels and draws them over the
    // graticule, without clearing.
    void on_all();
    // Disables the panel and leaves the graticule alone on the screen; the traces in memory
    // stay as they are.
    void off_all();

private:
    FrontPanel &m_panel;
    GlobalData &m_data;
    Screen &m_screen;
    ScopeRenderer &m_scope;
};

} // namespace la
