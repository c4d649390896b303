#pragma once

#include <cstddef>
#include <pthread.h>
#include <sched.h>
#include <utility>
#include <vector>

namespace la {

// Fewer pauses where the system allows it: for the life of this object the given buffers
// are locked in memory and the calling thread runs at real-time priority (SCHED_FIFO), so
// that neither paging nor ordinary processes interrupt the reads. Both need permission
// (CAP_SYS_NICE or an RLIMIT_RTPRIO above 0; CAP_IPC_LOCK or RLIMIT_MEMLOCK); without it
// nothing changes and nothing is said. The old policy comes back at the end.
class RealtimeSection
{
public:
    // The priority asked for: well above ordinary real-time helpers, below the kernel's own
    // threads (99), so that interrupts are still served.
    static constexpr int Priority = 50;

    explicit RealtimeSection(std::vector<std::pair<const void *, std::size_t>> buffers);
    ~RealtimeSection();
    RealtimeSection(const RealtimeSection &) = delete;
    RealtimeSection &operator=(const RealtimeSection &) = delete;

    bool raised() const { return m_raised; }
    bool locked() const { return !m_locked.empty(); }

private:
    std::vector<std::pair<const void *, std::size_t>> m_locked;
    int m_oldPolicy = SCHED_OTHER;
    sched_param m_oldParam{};
    bool m_raised = false;
};

} // namespace la
