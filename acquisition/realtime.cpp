#include "acquisition/realtime.h"

#include <algorithm>
#include <fstream>
#include <sys/mman.h>
#include <sys/resource.h>

namespace la {

namespace {

// The priority this process may take: the one asked for, or the most RLIMIT_RTPRIO grants
// an unprivileged process; 0 when it grants nothing.
int grantedPriority()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_RTPRIO, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return RealtimeSection::Priority;
    return static_cast<int>(std::min<rlim_t>(limit.rlim_cur, RealtimeSection::Priority));
}

} // namespace

std::int64_t RealtimeSection::realtimeBudgetNs()
{
    long long runtimeUs = 950'000; // the kernel's default, where the file cannot be read
    if (std::ifstream file("/proc/sys/kernel/sched_rt_runtime_us"); file)
        file >> runtimeUs;
    if (runtimeUs < 0)
        return -1;
    // The budget is per period and the reads may not start at its beginning.
    return std::max<long long>(0, runtimeUs * 1000 - 200'000'000);
}

RealtimeSection::RealtimeSection(std::vector<std::pair<const void *, std::size_t>> buffers,
                                 std::int64_t expectedNs)
{
    for (const auto &[address, size] : buffers) {
        if (size > 0 && mlock(address, size) == 0)
            m_locked.emplace_back(address, size);
    }
    const std::int64_t budget = realtimeBudgetNs();
    if (budget >= 0 && expectedNs > budget)
        return;
    if (pthread_getschedparam(pthread_self(), &m_oldPolicy, &m_oldParam) != 0)
        return;
    // Privileged (CAP_SYS_NICE) processes get the priority asked for whatever the limit.
    for (const int priority : {Priority, grantedPriority()}) {
        if (priority <= 0)
            continue;
        sched_param param{};
        param.sched_priority = priority;
        if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0) {
            m_raised = true;
            break;
        }
    }
}

RealtimeSection::~RealtimeSection()
{
    if (m_raised)
        pthread_setschedparam(pthread_self(), m_oldPolicy, &m_oldParam);
    for (const auto &[address, size] : m_locked)
        munlock(address, size);
}

} // namespace la
