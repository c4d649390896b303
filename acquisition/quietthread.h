#pragma once

#include <csignal>
#include <pthread.h>
#include <thread>
#include <utility>

namespace la {

// A thread that leaves SIGINT, SIGTERM and SIGHUP to the thread that handles them, so that no
// read or write of its own is interrupted by one. Other signals stay its own: a fault in a
// port library still ends the program, and SIGPIPE ends a writer into a pipe whose reader
// went. Throws std::system_error when the thread cannot be made.
template <typename Body> std::thread quietThread(Body body)
{
    sigset_t ending, old;
    sigemptyset(&ending);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&ending, signal);
    pthread_sigmask(SIG_BLOCK, &ending, &old);
    try {
        std::thread thread(std::move(body));
        pthread_sigmask(SIG_SETMASK, &old, nullptr);
        return thread;
    } catch (...) {
        pthread_sigmask(SIG_SETMASK, &old, nullptr);
        throw;
    }
}

} // namespace la
