#pragma once

#include "state/colour.h"
#include "state/instrumentstate.h"

#include <array>
#include <cstdint>

namespace la {

class ShapeModel;

// One channel's row on the scope screen: the trace level (a screen y before v_pos) of a
// high line and of a low one. Channel k (0-based) has its upper level at 35 + 65 k; the
// lower level, 30 below it, is also the idle level that power-on fills in.
struct Channel
{
    std::int16_t upperLevel;
    std::int16_t lowerLevel;
};

constexpr std::array<Channel, 5> Channels = {{
    {35, 65},
    {100, 130},
    {165, 195},
    {230, 260},
    {295, 325},
}};

constexpr Colour LampLit = rgb(255, 255, 68);
constexpr Colour LampUnlit = rgb(122, 124, 37);

// Turns samples 1..9999 into trace1..trace5, the upper level where the channel's line is
// high, and lights each channel's lamp when its trace ends at the upper level. Elements 0
// and 10000 are left as they are; a sample never read counts as 0.
void decode_channels(GlobalData &data, const std::array<ShapeModel *, 5> &lamps);

} // namespace la
