#pragma once

#include "acquisition/portio.h"

namespace la {

// The port of one run: the library the run was started with, whose reads the user may switch
// to another (the simulated probe, when the port cannot be read). The exit writes still go
// to the library the user wired, where it has Out32, so that the real port is left as the
// program always leaves it; a library without Out32 (one that never was a port library)
// leaves them to the library that reads.
class SwitchablePort : public PortIo
{
public:
    explicit SwitchablePort(PortIo &wired) : m_wired(wired), m_reads(&wired) {}

    // From now on the reads come from `reads`.
    void readFrom(PortIo &reads) { m_reads = &reads; }

    Inp32Fn inp32() override;
    Out32Fn out32() override;
    // The message of the library whose function was handed out last.
    std::string takeLastError() override;
    std::string source(std::int16_t address) override { return m_reads->source(address); }
    RouteInputs inputs(std::int16_t address) override { return m_reads->inputs(address); }

private:
    PortIo &m_wired;
    PortIo *m_reads;
    PortIo *m_last = nullptr;
};

} // namespace la
