#pragma once

#include <cstdint>

namespace la {

// A colour as the instrument keeps it: red + 256 x green + 65536 x blue, each component
// 0..255. A component above 255 counts as 255; the components the instrument uses are never
// negative, and a negative one counts as 0 rather than bleeding into its neighbour.
using Colour = std::uint32_t;

constexpr Colour rgb(int red, int green, int blue)
{
    auto clamp = [](int c) { return c > 255 ? 255 : (c < 0 ? 0 : c); };
    return static_cast<Colour>(clamp(red) + 256 * clamp(green) + 65536 * clamp(blue));
}

constexpr int redOf(Colour c)
{
    return static_cast<int>(c & 0xFF);
}
constexpr int greenOf(Colour c)
{
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int blueOf(Colour c)
{
    return static_cast<int>((c >> 16) & 0xFF);
}

// The same colour as a 0xAARRGGBB word for image memory, fully opaque.
constexpr std::uint32_t toArgb32(Colour c)
{
    return 0xFF000000u | (static_cast<std::uint32_t>(redOf(c)) << 16) |
           (static_cast<std::uint32_t>(greenOf(c)) << 8) | static_cast<std::uint32_t>(blueOf(c));
}

} // namespace la
