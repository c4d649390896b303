#pragma once

#include "state/runtimeerror.h"

#include <cstdint>
#include <optional>
#include <string>

namespace la {

// The two functions every port library exports with C linkage:
//   int16_t Inp32(int16_t address)               reads one byte, returned in the low 8 bits
//   void    Out32(int16_t address, int16_t value) writes the low 8 bits of value
// A library may also export `const char *PortLastError(void)`: the message of the most recent
// failed call, or null; reading it clears it, so that the next call tries the port again.
// A failed Inp32 returns -1. And it may export `const char *PortSource(int16_t address)`:
// where reads of address come from, as a phrase ("the simulated probe", "the port at 0xD010
// through /dev/parport1"), or null when it cannot say. And
// `int PortInputs(int16_t address, const char **modes)`: what the route to the port that
// holds address can read besides the status register, as the bits DataPinsReadable and
// ControlPinsReadable (acquisition/channels.h), with *modes set to the modes the kernel
// reports for the port when the route is the kernel's driver, else to null; -1 when the port
// cannot be reached, PortLastError saying why. A library without it is taken as direct
// access, which reads both.
using Inp32Fn = std::int16_t (*)(std::int16_t);
using Out32Fn = void (*)(std::int16_t, std::int16_t);
using PortLastErrorFn = const char *(*)();
using PortSourceFn = const char *(*)(std::int16_t);
using PortInputsFn = int (*)(std::int16_t, const char **);

// What the route to a port can read besides its status register.
struct RouteInputs
{
    bool dataPins = true;    // its data pins can be inputs (the direction can be switched)
    bool controlPins = true; // a control read comes from the pins
    // For a port reached through the kernel's driver: the modes the kernel reports for it.
    std::optional<std::string> kernelModes;
};

// A port library that cannot be loaded, lacks a function, or cannot reach the port.
class PortError : public RuntimeError
{
public:
    explicit PortError(const std::string &what) : RuntimeError(Kind::PortAccess, what) {}
};

// Access to the parallel port's registers through a port library. Each function is looked
// up at its first use, never earlier; a failed lookup throws PortError with a message that
// says what failed and what to do.
class PortIo
{
public:
    virtual ~PortIo() = default;

    virtual Inp32Fn inp32() = 0;
    virtual Out32Fn out32() = 0;
    // The library's message about its most recent failed call, cleared by reading it; empty
    // when the calls succeeded or the library keeps no such message.
    virtual std::string takeLastError() = 0;
    // Where reads of `address` come from, for the capture line; empty when unknown.
    virtual std::string source(std::int16_t address) = 0;
    // What the route to the port that holds `address` can read; as direct access, which
    // reads everything, unless the library says otherwise. Throws PortError when the port
    // cannot be reached.
    virtual RouteInputs inputs(std::int16_t address)
    {
        (void)address;
        return {};
    }
};

} // namespace la
