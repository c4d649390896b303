#pragma once

#include "acquisition/parallelport.h"
#include "acquisition/portlibs/readpacer.h"

#include <array>
#include <cstdint>

namespace la {

// The registers of a parallel port with the simulated probe on its status lines, at each of
// the three legacy bases. The status register (base + 1) shows the probe at the moment of
// the read. The data register (base + 0) reads back what was written, or, once control bit 5
// turns the pins around, the probe's counter on them. The control register (base + 2) reads
// back its four pins' bits and the direction bit as written: nothing drives the pins, so a
// released pin reads high, as on a port with nothing connected. Any other address is a
// floating bus and reads 0xFF. Every read is paced like a real port's.
class SimulatedPort
{
public:
    explicit SimulatedPort(ReadPacer::Clock clock = monotonicNs);

    std::uint8_t read(std::uint16_t address);
    void write(std::uint16_t address, std::uint8_t value);
    // Where reads of address come from: the simulated probe, or nothing away from its bases.
    static const char *source(std::uint16_t address);

private:
    struct Registers
    {
        std::uint8_t data = 0;
        std::uint8_t control = 0;
    };

    // The register set of the port at the base that holds address, and the offset into it.
    Registers *find(std::uint16_t address, int &offset);

    std::array<Registers, PortBases.size()> m_registers;
    ReadPacer m_pacer;
};

} // namespace la
