#pragma once

#include "ui/buttonmodel.h"
#include "ui/listmodel.h"
#include "ui/textmodel.h"
#include "ui/windowmodel.h"

namespace la {

// The controls of the port settings window.
struct PortPanel
{
    WindowModel window;
    ListModel Combo1{{"&H378", "&H3BC", "&H278"}}; // base address
    TextModel Text1;                                // "Out": data register
    TextModel Text2;                                // "Inp": status register
    TextModel Text3;                                // "Cnt": control register
    ButtonModel Command14{"OK"};
};

} // namespace la
