#include "acquisition/lockedmemory.h"

#include <sys/mman.h>

namespace la {

LockedMemory::LockedMemory(std::initializer_list<Buffer> buffers)
{
    m_locked.reserve(buffers.size());
    for (const auto &[address, size] : buffers) {
        if (size > 0 && mlock(address, size) == 0)
            m_locked.emplace_back(address, size);
    }
}

LockedMemory::~LockedMemory()
{
    for (const auto &[address, size] : m_locked)
        munlock(address, size);
}

} // namespace la
