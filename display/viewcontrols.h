#pragma once

namespace la {

class Screen;
class ScopeRenderer;
struct FrontPanel;
struct MainFields;

// The handlers of the view column (Light, Beam, v-pos, h-pos, zoom, h-pos step) and of the
// "Grid" button. Each writes its part of the view and redraws from the stored traces; none
// touches the port.
class ViewControls
{
public:
    ViewControls(FrontPanel &panel, MainFields &fields, Screen &screen, ScopeRenderer &scope);

    void lightChange();  // VScroll1
    void beamChange();   // VScroll2
    void hposChange();   // VScroll3
    void vposChange();   // VScroll4
    void zoomClick();    // Combo1
    void stepClick();    // Combo2
    void gridClick();    // Command1

private:
    FrontPanel &m_panel;
    MainFields &m_fields;
    Screen &m_screen;
    ScopeRenderer &m_scope;
};

} // namespace la
