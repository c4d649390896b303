#pragma once

#include <cstddef>
#include <initializer_list>
#include <utility>
#include <vector>

namespace la {

// Buffers kept in memory for the life of this object, so that no page of them is paged out
// while the reads fill them. Where the system does not allow it (CAP_IPC_LOCK, or
// RLIMIT_MEMLOCK too small) nothing changes and nothing is said.
class LockedMemory
{
public:
    using Buffer = std::pair<const void *, std::size_t>;

    explicit LockedMemory(std::initializer_list<Buffer> buffers);
    ~LockedMemory();
    LockedMemory(const LockedMemory &) = delete;
    LockedMemory &operator=(const LockedMemory &) = delete;

    bool locked() const { return !m_locked.empty(); }

private:
    std::vector<Buffer> m_locked;
};

} // namespace la
