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

// The legacy port base (0x378, 0x3BC or 0x278) whose three registers include address.
std::optional<std::uint16_t> legacyBaseOf(std::uint16_t address);

// "0x379": how messages name an I/O address.
std::string hexAddress(std::uint16_t address);

} // namespace la
