#include "acquisition/portlibs/simulatedport.h"

#include "acquisition/channels.h"
#include "acquisition/portlibs/probesignals.h"

#include <utility>

namespace la {

SimulatedPort::SimulatedPort(ReadPacer::Clock clock) : m_pacer(std::move(clock)) {}

SimulatedPort::Registers *SimulatedPort::find(std::uint16_t address, int &offset)
{
    for (std::size_t i = 0; i < PortBases.size(); ++i) {
        if (address >= PortBases[i] && address - PortBases[i] <= ControlOffset) {
            offset = address - PortBases[i];
            return &m_registers[i];
        }
    }
    return nullptr;
}

std::uint8_t SimulatedPort::read(std::uint16_t address)
{
    const std::int64_t t = m_pacer.nextRead();
    int offset = 0;
    const Registers *registers = find(address, offset);
    if (!registers)
        return 0xFF;
    switch (offset) {
    case 0:
        return registers->control & DataInputBit ? ProbeSignals::dataAt(t) : registers->data;
    case 1:
        return ProbeSignals::statusAt(t);
    default:
        return registers->control;
    }
}

void SimulatedPort::write(std::uint16_t address, std::uint8_t value)
{
    int offset = 0;
    Registers *registers = find(address, offset);
    if (!registers)
        return;
    if (offset == 0)
        registers->data = value;
    else if (offset == 2)
        registers->control = value & (DataInputBit | 0x0F);
    // The status register is read-only: a write to it changes nothing.
}

const char *SimulatedPort::source(std::uint16_t address)
{
    if (legacyBaseOf(address))
        return "the simulated probe";
    static const std::string elsewhere =
        "an empty bus (the simulated probe answers at " + portBasesText(", ", " and ") + " only)";
    return elsewhere.c_str();
}

} // namespace la
