#pragma once

#include "acquisition/portlibs/directaccess.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace la {

// The real parallel port's registers, reached through the kernel's ppdev device when one
// serves the port (no root needed, only group lp), otherwise through direct port access.
//
// An address belongs to the port whose base is 0..2 below it: base + 0 data, base + 1
// status, base + 2 control. The device is the /dev/parportN whose
// /proc/sys/dev/parport/parportN/base-addr holds that base, at any address (a PCI or PCIe
// card sits at one like 0xD010); it is opened and claimed once and kept. Direct access is
// tried at the three legacy bases only. When neither route reaches the port the call fails,
// and so does every call after it, without searching again, until takeLastError() hands out
// the message.
class HardwarePort
{
public:
    // procRoot and devRoot stand for /proc and /dev, and direct for the processor's own port
    // instructions when null, so that tests can use a system of their own.
    explicit HardwarePort(std::string procRoot = "/proc", std::string devRoot = "/dev",
                          std::unique_ptr<DirectAccess> direct = nullptr);
    ~HardwarePort();
    HardwarePort(const HardwarePort &) = delete;
    HardwarePort &operator=(const HardwarePort &) = delete;

    // The register's value 0..255, or -1 when the port cannot be reached.
    int read(std::uint16_t address);
    // False when the port cannot be reached; nothing is written then.
    bool write(std::uint16_t address, std::uint8_t value);

    // Where reads of `address` come from: "the port at 0xD010 through /dev/parport1" or "the
    // port at 0x378 by direct access"; null when no port that holds it has been reached. The
    // text stays valid until the next call of source().
    const char *source(std::uint16_t address);

    // The message of the failure that stopped the calls, or null when none did. Clears it, so
    // that the next call tries the port again. The text stays valid until the next call of
    // takeLastError().
    const char *takeLastError();

private:
    // One port reached, its three registers from base: through a claimed ppdev device
    // (fd >= 0), or with direct access.
    struct Port
    {
        std::uint16_t base = 0;
        int fd = -1;
        std::string device;
    };

    // The port that holds address, if it has been reached already.
    Port *reached(std::uint16_t address);
    Port *reach(std::uint16_t address, const char *action);
    // Opens and claims the device; on failure returns -1 and sets reason.
    int openDevice(const std::string &device, std::string &reason);
    void drop(Port *port);
    void fail(const char *action, std::uint16_t address, const std::string &reasons,
              const char *remedy);

    std::string m_procRoot;
    std::string m_devRoot;
    std::unique_ptr<DirectAccess> m_direct;
    std::vector<Port> m_ports;
    bool m_failed = false;
    std::string m_error;
    std::string m_taken;
    std::string m_source;
};

} // namespace la
