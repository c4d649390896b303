#include "display/scoperenderer.h"

#include "display/screenimage.h"
#include "state/instrumentstate.h"
#include "state/int16.h"
#include "state/listmodel.h"
#include "state/runtimeerror.h"

#include <typeinfo>

namespace la {

namespace {

// One dot through the screen's dot operation. On the instrument's own screen image the call
// is direct and inlined, and skips the rounding that whole-pixel coordinates do not need
// (dot numbers and levels are integers well inside float's exact range); this keeps a
// 50,000-dot sweep close to the cost of its stores.
inline void plot(Screen &screen, int x, int y, Colour colour)
{
    screen.dot(static_cast<float>(x), static_cast<float>(y), colour);
}
inline void plot(ScreenImage &screen, int x, int y, Colour colour)
{
    screen.dotAtPixel(x, y, colour);
}

template <typename ScreenType>
void sweep(ScreenType &screen, const MainFields &fields, const GlobalData &data, int step)
{
    // Nothing can change the view while a sweep runs (one handler at a time), so the values
    // are read once; without the copies every dot would load them again after the screen's
    // rare out-of-line edge case.
    const int hPos = fields.h_pos, vPos = fields.v_pos, beamGreen = fields.beam_green;
    for (const Trace *trace : data.traces()) {
        // Only the captured samples 1..9999 are plotted; element 10000 never holds one.
        const std::int16_t *levels = trace->data();
        int dotNumber = 1;
        for (int index = FirstSample; index <= LastSample; index += step, ++dotNumber) {
            const Colour colour = rgb(70, beamGreen, 180); // the beam colour, made per dot
            plot(screen, dotNumber + hPos, levels[index] + vPos, colour);
        }
    }
}

} // namespace

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
    // Only the exact type may take the direct path: a screen derived from it (a test's
    // recording screen) keeps its own dot.
    if (typeid(m_screen) == typeid(ScreenImage))
        sweep(static_cast<ScreenImage &>(m_screen), m_fields, m_data, step);
    else
        sweep(m_screen, m_fields, m_data, step);
}

} // namespace la
