#pragma once

#include "acquisition/parallelport.h"
#include "control/state/buttonmodel.h"
#include "control/state/listmodel.h"
#include "control/state/textmodel.h"
#include "control/state/windowmodel.h"

#include <string>
#include <vector>

namespace la {

// The port settings window's list entries, one per legacy base, as "&H" and the base's
// hex digits: "&H378", "&H3BC", "&H278".
inline std::vector<std::string> baseEntries()
{
    std::vector<std::string> entries;
    for (const std::uint16_t base : PortBases)
        entries.push_back("&H" + hexDigits(base));
    return entries;
}

// The controls of the port settings window.
struct PortPanel
{
    WindowModel window;
    ListModel Combo1{baseEntries()}; // base address
    TextModel Text1;                 // "Out": data register
    TextModel Text2;                 // "Inp": status register
    TextModel Text3;                 // "Cnt": control register
    ButtonModel Command14{"OK"};
};

} // namespace la
