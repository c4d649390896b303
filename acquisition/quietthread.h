#pragma once

#include <csignal>
#include <pthread.h>
#include <thread>
#include <utility>

namespace la {

// SIGINT, SIGTERM and SIGHUP held back on this thread while it lives, and on the threads it
// makes meanwhile, so that they reach the thread that handles them.
class EndingSignalsHeld
{
public:
    EndingSignalsHeld()
    {
        sigset_t ending;
        sigemptyset(&ending);
        for (const int signal : {SIGINT, SIGTERM, SIGHUP})
            sigaddset(&ending, signal);
        pthread_sigmask(SIG_BLOCK, &ending, &m_old);
    }
    ~EndingSignalsHeld() { pthread_sigmask(SIG_SETMASK, &m_old, nullptr); }
    EndingSignalsHeld(const EndingSignalsHeld &) = delete;
    EndingSignalsHeld &operator=(const EndingSignalsHeld &) = delete;

private:
    sigset_t m_old;
};

// A thread that leaves the ending signals to the thread that handles them, so that no read or
// write of its own is interrupted by one. Other signals stay its own: a fault in a port
// library still ends the program, and SIGPIPE ends a writer into a pipe whose reader went.
// Throws std::system_error when the thread cannot be made.
template <typename Body> std::thread quietThread(Body body)
{
    const EndingSignalsHeld held;
    return std::thread(std::move(body));
}

} // namespace la
