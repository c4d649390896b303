#pragma once

#include "state/colour.h"

namespace la {

class Screen;
class ListModel;
struct MainFields;
struct GlobalData;

// Draws the graticule and the five traces onto the scope screen. Neither procedure clears
// the screen: each caller decides that around its call.
class ScopeRenderer
{
public:
    static constexpr Colour GridColour = rgb(70, 86, 115);
    static constexpr int GridLength = 1000; // every graticule line runs across the whole screen

    ScopeRenderer(Screen &screen, MainFields &fields, const GlobalData &data,
                  const ListModel &zoomList);

    // 10 horizontal lines, then 14 vertical ones, pen width 1, in GridColour.
    void draw_grid();
    // Every zoom-th captured sample of each trace as a 2-pixel dot, one pixel apart,
    // shifted by h_pos and v_pos, in the beam colour. The zoom is the zoom list's text at
    // the moment of the call.
    void draw_sweep();

private:
    Screen &m_screen;
    MainFields &m_fields;
    const GlobalData &m_data;
    const ListModel &m_zoomList;
};

} // namespace la
