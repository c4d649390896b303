#pragma once

#include "acquisition/parallelport.h"
#include "state/buttonmodel.h"
#include "state/listmodel.h"
#include "state/textmodel.h"
#include "state/windowmodel.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace la {

// The bases the port window offers beyond the three legacy ones (the machine's own ports,
// such as a PCI card at 0xD010, in the kernel's order), and the one chosen at start-up.
struct PortChoices
{
    std::vector<std::uint16_t> found;
    std::uint16_t start = PortBases[0];
};

// A base as the port window's list writes it: "&H" and its hex digits, "&HD010".
inline std::string baseEntry(std::uint16_t base)
{
    return "&H" + hexDigits(base);
}

// The port window's list: one entry per legacy base, "&H378", "&H3BC", "&H278", then one per
// base found beyond them.
inline std::vector<std::string> baseEntries(const std::vector<std::uint16_t> &found = {})
{
    std::vector<std::string> entries;
    for (const std::uint16_t base : PortBases)
        entries.push_back(baseEntry(base));
    for (const std::uint16_t base : found) {
        const std::string entry = baseEntry(base);
        if (std::find(entries.begin(), entries.end(), entry) == entries.end())
            entries.push_back(entry);
    }
    return entries;
}

// The controls of the port settings window.
struct PortPanel
{
    explicit PortPanel(const std::vector<std::uint16_t> &found = {}) : Combo1(baseEntries(found)) {}

    WindowModel window;
    ListModel Combo1; // base address
    TextModel Text1;  // "Out": data register
    TextModel Text2;  // "Inp": status register
    TextModel Text3;  // "Cnt": control register
    ButtonModel Command14{"OK"};
};

} // namespace la
