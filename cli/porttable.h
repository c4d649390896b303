#pragma once

#include "acquisition/portlibs/parportdevices.h"

#include <string>
#include <vector>

namespace la {

// The machine's parallel ports as logic-capture --list-ports prints them: a heading, then
// one line per port with its base, device, modes and whether it can be used (and if not,
// why), columns aligned. With no port, one line that says so and what to do.
std::string portTable(const std::vector<ParportDevice> &ports);

} // namespace la
