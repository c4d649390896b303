#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace la {

// A parallel port the kernel's parport driver knows: parportN, with its I/O base.
struct ParportDevice
{
    int number = 0;
    std::uint16_t base = 0;
};

// The ports listed under <procRoot>/sys/dev/parport, by number. Entries that are not
// parportN (such as "default") or whose base cannot be read are left out.
std::vector<ParportDevice> listParports(const std::string &procRoot);

} // namespace la
