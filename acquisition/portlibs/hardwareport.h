#pragma once

#include "acquisition/portlibs/directaccess.h"

#include <cstdint>
#include <functional>
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
//
// Through the device, the data register reads the pins (PPRDATA), which are inputs while the
// direction is switched: a control write with bit 5 set or clear becomes PPDATADIR (input or
// output) and PPWCONTROL of the low four bits, the only ones the driver keeps. A control read
// is the driver's copy of those four bits (PPRCONTROL), not the pins, with bit 5 as this
// library last set the direction. By direct access every register is read and written as it
// is.
class HardwarePort
{
public:
    // ioctl on a ppdev device.
    using DeviceControl = std::function<int(int fd, unsigned long request, void *argument)>;

    // procRoot and devRoot stand for /proc and /dev, direct for the processor's own port
    // instructions when null, and control for the system's ioctl when empty, so that tests
    // can use a system of their own.
    explicit HardwarePort(std::string procRoot = "/proc", std::string devRoot = "/dev",
                          std::unique_ptr<DirectAccess> direct = nullptr,
                          DeviceControl control = {});
    ~HardwarePort();
    HardwarePort(const HardwarePort &) = delete;
    HardwarePort &operator=(const HardwarePort &) = delete;

    // The register's value 0..255, or -1 when the port cannot be reached.
    int read(std::uint16_t address);
    // False when the port cannot be reached; nothing is written then.
    bool write(std::uint16_t address, std::uint8_t value);

    // What the route to the port that holds `address` reads besides the status register (the
    // bits DataPinsReadable and ControlPinsReadable): through the device, the data pins when
    // the kernel reports a mode that can turn them around (TRISTATE, EPP or ECP), and *modes
    // points to the modes it reports, valid until the next call; by direct access both, and
    // *modes is null. -1 when the port cannot be reached.
    int inputs(std::uint16_t address, const char **modes);

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
        std::string modes;      // as the kernel reports them
        bool dataInput = false; // the direction as last set through the device
    };

    // The port that holds address, if it has been reached already.
    Port *reached(std::uint16_t address);
    Port *reach(std::uint16_t address, const char *action);
    int readDevice(Port &port, int offset);
    bool writeDevice(Port &port, int offset, std::uint8_t value);
    // Opens and claims the device; on failure returns -1 and sets reason.
    int openDevice(const std::string &device, std::string &reason);
    void drop(Port *port);
    void fail(const char *action, std::uint16_t address, const std::string &reasons,
              const char *remedy);

    std::string m_procRoot;
    std::string m_devRoot;
    std::unique_ptr<DirectAccess> m_direct;
    DeviceControl m_control;
    std::vector<Port> m_ports;
    bool m_failed = false;
    std::string m_error;
    std::string m_taken;
    std::string m_source;
    std::string m_modes;
};

} // namespace la
