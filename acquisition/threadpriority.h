#pragma once

#include "acquisition/realtime.h"

#include <pthread.h>
#include <sched.h>

namespace la {

// The calling thread's priority, for real-time windows: real-time priority is SCHED_FIFO at
// `Priority`, where the process may take it (root, CAP_SYS_NICE, or an RLIMIT_RTPRIO above 0,
// and then at most that); ordinary priority is the thread's own policy, or SCHED_OTHER for a
// thread that was real-time already (started under chrt). The thread's own policy comes back
// when this goes. Made and used on the reading thread.
class ThreadPriority : public PriorityControl
{
public:
    // Well above ordinary real-time helpers, below the kernel's own threads (99), so that
    // interrupts are still served.
    static constexpr int Priority = 50;

    ThreadPriority();
    ~ThreadPriority() override;
    ThreadPriority(const ThreadPriority &) = delete;
    ThreadPriority &operator=(const ThreadPriority &) = delete;

    int raise() override;
    void lower() override;

private:
    pthread_t m_thread;
    bool m_known = false; // the thread's own policy could be read
    int m_ownPolicy = SCHED_OTHER;
    sched_param m_ownParam{};
    bool m_changed = false;
    int m_granted = 0; // the real-time priority this thread was given
};

} // namespace la
