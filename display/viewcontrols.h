#pragma once

namespace la {

class ListModel;
class Screen;
class ScopeRenderer;
class ScrollBarModel;
struct MainFields;

// The controls of the view column that the view handlers read and move.
struct ViewColumn
{
    ScrollBarModel &VScroll1; // "Light"
    ScrollBarModel &VScroll2; // "Beam"
    ScrollBarModel &VScroll3; // "h-pos"
    ScrollBarModel &VScroll4; // "v-pos"
    ListModel &Combo1;        // zoom
    ListModel &Combo2;        // h-pos step
};

// The handlers of the view column (Light, Beam, v-pos, h-pos, zoom, h-pos step) and of the
// "Grid" button. Each writes its part of the view and redraws from the stored traces; none
// touches the port.
class ViewControls
{
public:
    ViewControls(ViewColumn column, MainFields &fields, Screen &screen, ScopeRenderer &scope);

    void lightChange(); // VScroll1
    void beamChange();  // VScroll2
    void hposChange();  // VScroll3
    void vposChange();  // VScroll4
    void zoomClick();   // Combo1
    void stepClick();   // Combo2
    void gridClick();   // Command1

private:
    ViewColumn m_column;
    MainFields &m_fields;
    Screen &m_screen;
    ScopeRenderer &m_scope;
};

} // namespace la
