// libport-simulated.so: a parallel port with the simulated probe on its status lines. It
// never fails, so it keeps no error message.
#include "acquisition/portlibs/portexports.h"
#include "acquisition/portlibs/simulatedport.h"

#include <mutex>

namespace {

std::mutex portMutex;

la::SimulatedPort &port()
{
    static la::SimulatedPort instance;
    return instance;
}

} // namespace

std::int16_t Inp32(std::int16_t address)
{
    const std::lock_guard lock(portMutex);
    return port().read(static_cast<std::uint16_t>(address));
}

void Out32(std::int16_t address, std::int16_t value)
{
    const std::lock_guard lock(portMutex);
    port().write(static_cast<std::uint16_t>(address), static_cast<std::uint8_t>(value));
}

const char *PortSource(std::int16_t address)
{
    return la::SimulatedPort::source(static_cast<std::uint16_t>(address));
}
