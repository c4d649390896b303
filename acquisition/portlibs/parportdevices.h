#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace la {

// A parallel port the kernel's parport driver knows: parportN, with its I/O base and the
// ppdev device that reaches it.
struct ParportDevice
{
    int number = 0;
    std::uint16_t base = 0;
    std::string device;  // e.g. "/dev/parport1"
    std::string modes;   // as the kernel writes them ("PCSPP,TRISTATE"); empty when unreadable
    bool usable = false; // this user can open the device read-write
    std::string problem; // why not, when not usable
};

// The ports listed under <procRoot>/sys/dev/parport, by number, each with its device
// <devRoot>/parportN. Entries that are not parportN (such as "default") or whose base cannot
// be read are left out. Whether a device is usable is found by opening it, which claims
// nothing: another program using the port is not disturbed.
std::vector<ParportDevice> listParports(const std::string &procRoot = "/proc",
                                        const std::string &devRoot = "/dev");

// Why `device` could not be opened, with what to do about it:
// "/dev/parport0: Permission denied (add yourself to group lp: ...)".
std::string deviceProblem(const std::string &device, int error);

// What to do when the kernel's ppdev devices are missing, in parentheses.
inline constexpr char LoadPpdevHint[] = " (is the ppdev module loaded? sudo modprobe ppdev)";

} // namespace la
