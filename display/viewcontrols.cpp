#include "display/viewcontrols.h"

#include "display/scoperenderer.h"
#include "display/screen.h"
#include "state/instrumentstate.h"
#include "state/int16.h"
#include "state/listmodel.h"
#include "state/scrollbarmodel.h"

namespace la {

namespace {
// The Light, Beam and v-pos changes always redraw at this zoom.
const std::string ViewZoom = "010";
} // namespace

ViewControls::ViewControls(ViewColumn column, MainFields &fields, Screen &screen,
                           ScopeRenderer &scope)
    : m_column(column), m_fields(fields), m_screen(screen), m_scope(scope)
{
}

void ViewControls::lightChange()
{
    const int p = m_column.VScroll1.position();
    m_fields.screen_red = add16(p, 70);
    m_fields.screen_green = add16(p, 130);
    m_fields.screen_blue = add16(p, 180);
    m_screen.setBackColour(rgb(m_fields.screen_red, m_fields.screen_green, m_fields.screen_blue));
    m_screen.clear();
    m_scope.draw_grid();
    m_column.Combo1.setText(ViewZoom);
    m_scope.draw_sweep();
}

void ViewControls::beamChange()
{
    m_fields.beam_green = add16(m_column.VScroll2.position(), 200);
    m_screen.clear();
    m_column.Combo1.setText(ViewZoom);
    m_scope.draw_sweep();
    m_scope.draw_grid();
}

void ViewControls::vposChange()
{
    m_screen.clear();
    m_fields.v_pos = toInt16(m_column.VScroll4.position());
    m_column.Combo1.setText(ViewZoom);
    m_scope.draw_sweep();
    m_scope.draw_grid();
}

void ViewControls::hposChange()
{
    m_screen.clear();
    m_fields.h_pos = toInt16(m_column.VScroll3.position());
    m_scope.draw_sweep();
    m_scope.draw_grid();
}

void ViewControls::zoomClick()
{
    // A new zoom starts at the beginning of the capture; moving the bar runs hposChange
    // first when it was elsewhere.
    m_column.VScroll3.setPosition(0);
    m_screen.clear();
    m_scope.draw_sweep();
    m_scope.draw_grid();
}

void ViewControls::stepClick()
{
    m_column.VScroll3.setSmallStep(textToInt16(m_column.Combo2.text()));
}

void ViewControls::gridClick()
{
    m_fields.grid_on = m_fields.grid_on == 1 ? 0 : 1;
    if (m_fields.grid_on == 1)
        m_scope.draw_grid();
    else
        m_screen.clear();
    m_scope.draw_sweep();
}

} // namespace la
