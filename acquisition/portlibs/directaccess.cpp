#include "acquisition/portlibs/directaccess.h"

#include <cerrno>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define LA_HAVE_PORT_INSTRUCTIONS 1
#endif

namespace la {

#ifdef LA_HAVE_PORT_INSTRUCTIONS

bool SystemDirectAccess::grant(std::uint16_t first, int count, std::string &reason)
{
    if (ioperm(first, count, 1) == 0)
        return true;
    const int error = errno;
    reason = std::string("ioperm: ") + std::strerror(error);
    switch (error) {
    case EPERM:
        reason += " (needs root)";
        break;
    case ENOSYS:
        reason += " (this kernel allows no direct port access)";
        break;
    case EINVAL:
        reason += " (ioperm reaches only ports below 0x400)";
        break;
    default:
        break;
    }
    return false;
}

std::uint8_t SystemDirectAccess::in(std::uint16_t address)
{
    return inb(address);
}

void SystemDirectAccess::out(std::uint16_t address, std::uint8_t value)
{
    outb(value, address);
}

#else

bool SystemDirectAccess::grant(std::uint16_t, int, std::string &reason)
{
    reason = "not available on this processor (only x86 has port instructions)";
    return false;
}

std::uint8_t SystemDirectAccess::in(std::uint16_t)
{
    return 0xFF;
}

void SystemDirectAccess::out(std::uint16_t, std::uint8_t) {}

#endif

} // namespace la
