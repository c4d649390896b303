#pragma once

#include "state/boundedarray.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace la {

// Sample and trace index range that a capture fills; elements 0 and 10000 are never written.
constexpr int FirstSample = 1;
constexpr int LastSample = 9999;
constexpr int SampleCount = LastSample - FirstSample + 1;

// The main window's own fields: screen colour, graticule spacing, beam colour, trace
// position, zoom text and whether the port window is shown.
struct MainFields
{
    std::int16_t screen_red = 70;
    std::int16_t screen_green = 130;
    std::int16_t screen_blue = 180;
    std::int16_t grid_on = 1;
    std::int16_t grid_step_x = 40;
    std::int16_t grid_step_y = 40;
    std::int16_t beam_green = 200;
    std::int16_t h_pos = 0;
    std::int16_t v_pos = 0;
    std::int16_t port_shown = 0;
    std::string zoom_step = "001";
};

// A raw sample: empty until a capture stores the value read from the status register.
using Sample = std::optional<std::int16_t>;
using Samples = BoundedArray<Sample>;
using Trace = BoundedArray<std::int16_t>;

// Data that lives for the whole run: the port's register addresses, the raw samples of the
// last capture and the five traces (screen rows before v_pos is added).
struct GlobalData
{
    std::int16_t data_port = 888;
    std::int16_t status_port = 889;
    std::int16_t control_port = 890;
    Samples samples;
    Trace trace1;
    Trace trace2;
    Trace trace3;
    Trace trace4;
    Trace trace5;

    // trace1..trace5 in channel order.
    std::array<Trace *, 5> traces() { return {&trace1, &trace2, &trace3, &trace4, &trace5}; }
    std::array<const Trace *, 5> traces() const
    {
        return {&trace1, &trace2, &trace3, &trace4, &trace5};
    }

    // Sets the base address and derives the status (+1) and control (+2) registers in 16-bit
    // arithmetic. An overflow stops at the first sum that leaves the range, having stored
    // what came before it.
    void setDataPort(std::int16_t base);
};

} // namespace la
