#include "display/scoperenderer.h"

#include "control/instrumentstate.h"
#include "control/int16.h"
#include "control/runtimeerror.h"
#include "display/screen.h"
#include "ui/listmodel.h"

namespace la {

ScopeRenderer::ScopeRenderer(Screen &screen, MainFields &fields, const GlobalData &data,
                             const ListModel &zoomList)
    : m_screen(screen), m_fields(fields), m_data(data), m_zoomList(zoomList)
{
}

void ScopeRenderer::draw_grid()
{
    m_screen.setDrawWidth(1);
    m_screen.setDrawStyle(0);
    int y = 0;
    for (int k = 0; k < 10; ++k) {
        m_screen.line(0, static_cast<float>(y), GridLength, static_cast<float>(y), GridColour);
        y += m_fields.grid_step_y;
    }
    int x = 0;
    for (int k = 0; k < 14; ++k) {
        m_screen.line(static_cast<float>(x), 0, static_cast<float>(x), GridLength, GridColour);
        x += m_fields.grid_step_x;
    }
}

void ScopeRenderer::draw_sweep()
{
    m_fields.zoom_step = m_zoomList.text();
    const int step = textToInt16(m_fields.zoom_step);
    if (step < 1) {
        throw RuntimeError(RuntimeError::Kind::InvalidProperty,
                           "zoom step \"" + m_fields.zoom_step + "\" is not a positive number");
    }
    m_screen.setDrawWidth(2);
    m_screen.setDrawStyle(0);
    for (const Trace *trace : m_data.traces()) {
        // Only the captured samples 1..9999 are plotted; element 10000 never holds one.
        int dotNumber = 1;
        for (int index = FirstSample; index <= LastSample; index += step, ++dotNumber) {
            const int level = (*trace)[index];
            const Colour colour = rgb(70, m_fields.beam_green, 180);
            m_screen.dot(static_cast<float>(dotNumber + m_fields.h_pos),
                         static_cast<float>(level + m_fields.v_pos), colour);
        }
    }
}

} // namespace la
