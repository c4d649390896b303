// libport-hardware.so: the real parallel port, through ppdev or direct port access.
#include "acquisition/portlibs/hardwareport.h"
#include "acquisition/portlibs/portexports.h"

#include <mutex>

namespace {

std::mutex portMutex;

la::HardwarePort &port()
{
    static la::HardwarePort instance;
    return instance;
}

} // namespace

std::int16_t Inp32(std::int16_t address)
{
    try {
        const std::lock_guard lock(portMutex);
        return static_cast<std::int16_t>(port().read(static_cast<std::uint16_t>(address)));
    } catch (...) {
        // Nothing may escape into the caller's C frame.
        return -1;
    }
}

void Out32(std::int16_t address, std::int16_t value)
{
    try {
        const std::lock_guard lock(portMutex);
        port().write(static_cast<std::uint16_t>(address), static_cast<std::uint8_t>(value));
    } catch (...) {
    }
}

const char *PortLastError(void)
{
    try {
        const std::lock_guard lock(portMutex);
        return port().takeLastError();
    } catch (...) {
        return nullptr;
    }
}

const char *PortSource(std::int16_t address)
{
    try {
        const std::lock_guard lock(portMutex);
        return port().source(static_cast<std::uint16_t>(address));
    } catch (...) {
        return nullptr;
    }
}

int PortInputs(std::int16_t address, const char **modes)
{
    try {
        const std::lock_guard lock(portMutex);
        return port().inputs(static_cast<std::uint16_t>(address), modes);
    } catch (...) {
        *modes = nullptr;
        return -1;
    }
}
