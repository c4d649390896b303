#include "acquisition/portlibs/hardwareport.h"

#include "acquisition/channels.h"
#include "acquisition/parallelport.h"
#include "acquisition/portlibs/parportdevices.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/ppdev.h>
#include <sstream>
#include <sys/ioctl.h>
#include <unistd.h>
#include <utility>

namespace la {

namespace {

const char *const kReadAction = "read";
const char *const kWriteAction = "write to";
const char *const kRoutesRemedy = "Fix either of these";
const char *const kDeviceRemedy = "Check the port; the next call opens the device again";
const char *const kDeviceOnlyRemedy = "Make the device usable";

// Whether the kernel's list of modes ("PCSPP,TRISTATE,EPP") has one in which the data pins
// can be inputs.
bool turnsDataAround(const std::string &modes)
{
    std::istringstream list(modes);
    std::string mode;
    while (std::getline(list, mode, ',')) {
        if (mode == "TRISTATE" || mode == "EPP" || mode == "ECP")
            return true;
    }
    return false;
}

} // namespace

HardwarePort::HardwarePort(std::string procRoot, std::string devRoot,
                           std::unique_ptr<DirectAccess> direct, DeviceControl control)
    : m_procRoot(std::move(procRoot)), m_devRoot(std::move(devRoot)), m_direct(std::move(direct)),
      m_control(std::move(control))
{
    if (!m_direct)
        m_direct = std::make_unique<SystemDirectAccess>();
    if (!m_control) {
        m_control = [](int fd, unsigned long request, void *argument) {
            return ioctl(fd, request, argument);
        };
    }
}

HardwarePort::~HardwarePort()
{
    for (Port &port : m_ports) {
        if (port.fd >= 0) {
            m_control(port.fd, PPRELEASE, nullptr);
            close(port.fd);
        }
    }
}

int HardwarePort::openDevice(const std::string &device, std::string &reason)
{
    const int fd = open(device.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        reason = deviceProblem(device, errno);
        return -1;
    }
    // Every ppdev register call needs the port claimed first.
    if (m_control(fd, PPCLAIM, nullptr) != 0) {
        const int error = errno;
        reason = deviceProblem(device + ": PPCLAIM", error);
        if (error == ENOTTY)
            reason += " (it is not a ppdev parallel-port device)";
        close(fd);
        return -1;
    }
    return fd;
}

HardwarePort::Port *HardwarePort::reached(std::uint16_t address)
{
    for (Port &port : m_ports) {
        if (address >= port.base && address - port.base <= ControlOffset)
            return &port;
    }
    return nullptr;
}

HardwarePort::Port *HardwarePort::reach(std::uint16_t address, const char *action)
{
    if (m_failed)
        return nullptr;
    if (Port *port = reached(address))
        return port;

    std::string ppdevReason;
    std::optional<std::uint16_t> base;
    for (const ParportDevice &found : listParports(m_procRoot, m_devRoot)) {
        if (address < found.base || address - found.base > ControlOffset)
            continue;
        base = found.base;
        const int fd = openDevice(found.device, ppdevReason);
        if (fd >= 0) {
            m_ports.push_back({found.base, fd, found.device, found.modes});
            return &m_ports.back();
        }
        break;
    }
    if (!base) {
        base = legacyBaseOf(address);
        ppdevReason = base ? "no /dev/parportN has base " + hexAddress(*base)
                           : "no /dev/parportN has a register at " + hexAddress(address);
        ppdevReason += LoadPpdevHint;
    }

    // Direct access only at the legacy bases, where a PC's own port sits: elsewhere nothing
    // says the address is a parallel port's, and a write there could reach another device.
    const std::optional<std::uint16_t> legacy = legacyBaseOf(address);
    if (!legacy) {
        fail(action, address,
             ppdevReason + ", and direct port access reaches only the legacy bases " +
                 portBasesText(),
             kDeviceOnlyRemedy);
        return nullptr;
    }
    std::string directReason;
    if (m_direct->grant(*legacy, ControlOffset + 1, directReason)) {
        m_ports.push_back({*legacy, -1, {}, {}});
        return &m_ports.back();
    }
    fail(action, address, ppdevReason + "; direct access: " + directReason, kRoutesRemedy);
    return nullptr;
}

void HardwarePort::drop(Port *port)
{
    if (port->fd >= 0)
        close(port->fd);
    m_ports.erase(m_ports.begin() + (port - m_ports.data()));
}

void HardwarePort::fail(const char *action, std::uint16_t address, const std::string &reasons,
                        const char *remedy)
{
    m_failed = true;
    m_error = "Cannot " + std::string(action) + " the parallel port at " + hexAddress(address) +
              ": " + reasons + ". " + remedy +
              ", or start with --simulate to run the simulated probe.";
}

int HardwarePort::read(std::uint16_t address)
{
    Port *port = reach(address, kReadAction);
    if (!port)
        return -1;
    const int offset = address - port->base;
    if (port->fd < 0)
        return m_direct->in(address);
    return readDevice(*port, offset);
}

bool HardwarePort::write(std::uint16_t address, std::uint8_t value)
{
    Port *port = reach(address, kWriteAction);
    if (!port)
        return false;
    const int offset = address - port->base;
    if (port->fd < 0) {
        m_direct->out(address, value);
        return true;
    }
    return writeDevice(*port, offset, value);
}

int HardwarePort::readDevice(Port &port, int offset)
{
    static const unsigned long requests[] = {PPRDATA, PPRSTATUS, PPRCONTROL};
    static const char *const names[] = {"PPRDATA", "PPRSTATUS", "PPRCONTROL"};
    unsigned char value = 0;
    if (m_control(port.fd, requests[offset], &value) != 0) {
        const std::string reason = port.device + ": " + names[offset] + ": " + std::strerror(errno);
        const std::uint16_t address = static_cast<std::uint16_t>(port.base + offset);
        drop(&port);
        fail(kReadAction, address, reason, kDeviceRemedy);
        return -1;
    }
    if (offset == ControlOffset && port.dataInput)
        value |= DataInputBit;
    return value;
}

bool HardwarePort::writeDevice(Port &port, int offset, std::uint8_t value)
{
    // The status register is read-only; ppdev has no call to write it.
    if (offset == StatusOffset)
        return true;
    const char *name = "PPWDATA";
    int result = 0;
    if (offset == 0) {
        unsigned char byte = value;
        result = m_control(port.fd, PPWDATA, &byte);
    } else {
        int input = (value & DataInputBit) != 0;
        name = "PPDATADIR";
        result = m_control(port.fd, PPDATADIR, &input);
        if (result == 0) {
            port.dataInput = input != 0;
            unsigned char byte = value & 0x0F;
            name = "PPWCONTROL";
            result = m_control(port.fd, PPWCONTROL, &byte);
        }
    }
    if (result != 0) {
        const std::string reason = port.device + ": " + name + ": " + std::strerror(errno);
        const std::uint16_t address = static_cast<std::uint16_t>(port.base + offset);
        drop(&port);
        fail(kWriteAction, address, reason, kDeviceRemedy);
        return false;
    }
    return true;
}

int HardwarePort::inputs(std::uint16_t address, const char **modes)
{
    *modes = nullptr;
    Port *port = reach(address, kReadAction);
    if (!port)
        return -1;
    if (port->fd < 0)
        return DataPinsReadable | ControlPinsReadable;
    m_modes = port->modes;
    *modes = m_modes.c_str();
    return turnsDataAround(port->modes) ? DataPinsReadable : 0;
}

const char *HardwarePort::source(std::uint16_t address)
{
    const Port *port = reached(address);
    if (!port)
        return nullptr;
    m_source = "the port at " + hexAddress(port->base) +
               (port->fd >= 0 ? " through " + port->device : std::string(" by direct access"));
    return m_source.c_str();
}

const char *HardwarePort::takeLastError()
{
    if (!m_failed)
        return nullptr;
    m_failed = false;
    m_taken = std::move(m_error);
    m_error.clear();
    return m_taken.c_str();
}

} // namespace la
