#include "acquisition/switchableport.h"

namespace la {

Inp32Fn SwitchablePort::inp32()
{
    m_last = m_reads;
    return m_reads->inp32();
}

Out32Fn SwitchablePort::out32()
{
    m_last = &m_wired;
    if (m_reads == &m_wired)
        return m_wired.out32();
    try {
        return m_wired.out32();
    } catch (const PortError &) {
        m_last = m_reads;
        return m_reads->out32();
    }
}

std::string SwitchablePort::takeLastError()
{
    return m_last ? m_last->takeLastError() : std::string();
}

} // namespace la
