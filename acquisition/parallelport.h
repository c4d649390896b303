#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace la {

// The PC parallel port's three registers lie at consecutive I/O addresses from its base:
// data at base + 0, status at base + 1, control at base + 2. A PC has its ports at one of
// three legacy bases. Header-only, so that the port libraries share it without linking.
inline constexpr std::array<std::uint16_t, 3> PortBases{0x378, 0x3BC, 0x278};
inline constexpr int StatusOffset = 1;
inline constexpr int ControlOffset = 2;

// The legacy base whose three registers include `address`.
inline std::optional<std::uint16_t> legacyBaseOf(std::uint16_t address)
{
    for (const std::uint16_t base : PortBases) {
        if (address >= base && address - base <= ControlOffset)
            return base;
    }
    return std::nullopt;
}

// An address in hex without leading zeros, upper-case digits: "0x37A". Both the port
// window's boxes and every message name an address this way.
inline std::string hexDigits(std::uint16_t address)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), digits[address & 0xF]);
        address = static_cast<std::uint16_t>(address >> 4);
    } while (address != 0);
    return text;
}

inline std::string hexAddress(std::uint16_t address)
{
    return "0x" + hexDigits(address);
}

// The bases as help texts and messages list them: "0x378, 0x3BC or 0x278" by default,
// "0x378|0x3BC|0x278" with "|" for both joins.
inline std::string portBasesText(const char *join = ", ", const char *lastJoin = " or ")
{
    std::string text;
    for (std::size_t i = 0; i < PortBases.size(); ++i) {
        if (i > 0)
            text += i + 1 == PortBases.size() ? lastJoin : join;
        text += hexAddress(PortBases[i]);
    }
    return text;
}

} // namespace la
