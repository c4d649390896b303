// libport-simulated.so: a parallel port with the simulated probe on its status lines and,
// once turned around, a counter on its data pins. It never fails, so it keeps no error
// message.
#include "acquisition/channels.h"
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

// Its pins read as a port's do by direct access: data once turned around, control always.
int PortInputs(std::int16_t, const char **modes)
{
    *modes = nullptr;
    return la::DataPinsReadable | la::ControlPinsReadable;
}
