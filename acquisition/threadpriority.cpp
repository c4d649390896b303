#include "acquisition/threadpriority.h"

#include <algorithm>
#include <cerrno>
#include <sys/resource.h>

namespace la {

namespace {

// The priority this process may take unprivileged: the one asked for, or the most
// RLIMIT_RTPRIO grants; 0 when it grants nothing.
int grantedPriority()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_RTPRIO, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return ThreadPriority::Priority;
    return static_cast<int>(std::min<rlim_t>(limit.rlim_cur, ThreadPriority::Priority));
}

bool realtimePolicy(int policy)
{
    return policy == SCHED_FIFO || policy == SCHED_RR;
}

} // namespace

ThreadPriority::ThreadPriority() : m_thread(pthread_self())
{
    m_known = pthread_getschedparam(m_thread, &m_ownPolicy, &m_ownParam) == 0;
}

ThreadPriority::~ThreadPriority()
{
    if (m_changed)
        pthread_setschedparam(m_thread, m_ownPolicy, &m_ownParam);
}

int ThreadPriority::raise()
{
    if (!m_known)
        return EPERM;
    sched_param param{};
    if (m_granted > 0) {
        // Later windows: the priority granted the first time, in one system call.
        param.sched_priority = m_granted;
        const int error = pthread_setschedparam(m_thread, SCHED_FIFO, &param);
        m_changed = m_changed || error == 0;
        return error;
    }
    int error = EPERM;
    // Privileged (CAP_SYS_NICE) processes get the priority asked for whatever the limit.
    for (const int priority : {Priority, grantedPriority()}) {
        if (priority <= 0)
            continue;
        param.sched_priority = priority;
        error = pthread_setschedparam(m_thread, SCHED_FIFO, &param);
        if (error == 0) {
            m_granted = priority;
            m_changed = true;
            return 0;
        }
    }
    return error;
}

void ThreadPriority::lower()
{
    if (!m_known)
        return;
    if (!realtimePolicy(m_ownPolicy)) {
        pthread_setschedparam(m_thread, m_ownPolicy, &m_ownParam);
        m_changed = false;
        return;
    }
    const sched_param ordinary{};
    pthread_setschedparam(m_thread, SCHED_OTHER, &ordinary);
    m_changed = true;
}

} // namespace la
