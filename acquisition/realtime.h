#pragma once

#include <cstddef>
#include <cstdint>
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
//
// The kernel lets real-time threads run only so long in every period (by default 0.95 s of
// each second, /proc/sys/kernel/sched_rt_runtime_us) and then stops them for the rest: a
// pause of 50 ms every second. Reads expected to take longer than that stay at ordinary
// priority.
class RealtimeSection
{
public:
    // The priority asked for: well above ordinary real-time helpers, below the kernel's own
    // threads (99), so that interrupts are still served.
    static constexpr int Priority = 50;

    RealtimeSection(std::vector<std::pair<const void *, std::size_t>> buffers,
                    std::int64_t expectedNs);

    // How long real-time threads may run without a break: the kernel's budget less a
    // margin; -1 when the kernel sets no limit.
    static std::int64_t realtimeBudgetNs();
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
