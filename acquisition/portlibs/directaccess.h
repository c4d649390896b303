#pragma once

#include <cstdint>
#include <string>

namespace la {

// Port access with the processor's own I/O instructions, once the kernel grants the ports
// (ioperm): needs root, and only exists on x86.
class DirectAccess
{
public:
    virtual ~DirectAccess() = default;

    // Asks for the ports first..first+count-1. On failure returns false and sets reason, e.g.
    // "ioperm: Operation not permitted (needs root)".
    virtual bool grant(std::uint16_t first, int count, std::string &reason) = 0;
    // Only for ports already granted.
    virtual std::uint8_t in(std::uint16_t address) = 0;
    virtual void out(std::uint16_t address, std::uint8_t value) = 0;
};

class SystemDirectAccess final : public DirectAccess
{
public:
    bool grant(std::uint16_t first, int count, std::string &reason) override;
    std::uint8_t in(std::uint16_t address) override;
    void out(std::uint16_t address, std::uint8_t value) override;
};

} // namespace la
