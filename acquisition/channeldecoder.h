#pragma once

#include "control/colour.h"
#include "control/instrumentstate.h"

#include <array>
#include <cstdint>

namespace la {

class ShapeModel;

// One channel of the probe: a status-register bit and the two screen rows of its trace.
struct Channel
{
    std::uint8_t mask;        // the status bit that carries the channel
    std::int16_t levelIfSet;  // trace level when the bit reads 1
    std::int16_t levelIfClear;
    std::int16_t upperLevel;  // the level at which the lamp is lit
    std::int16_t idleLevel;   // the lower level, shown before any capture
};

// Channels 1..5 on status bits 4, 5, 7, 6 and 3. The port inverts bit 7 (Busy), so channel 3
// reads its lower row when the bit is set.
constexpr std::array<Channel, 5> Channels = {{
    {0x10, 35, 65, 35, 65},
    {0x20, 100, 130, 100, 130},
    {0x80, 195, 165, 165, 195},
    {0x40, 230, 260, 230, 260},
    {0x08, 295, 325, 295, 325},
}};

constexpr Colour LampLit = rgb(255, 255, 68);
constexpr Colour LampUnlit = rgb(122, 124, 37);

// Turns samples 1..9999 into trace1..trace5 and lights each channel's lamp when its trace
// ends at the channel's upper level. Elements 0 and 10000 are left as they are; a sample
// never read counts as 0.
void decode_channels(GlobalData &data, const std::array<ShapeModel *, 5> &lamps);

} // namespace la
