#pragma once

#include <functional>
#include <memory>
#include <thread>

namespace la {

// A thread kept for calls that the event thread must be able to stop waiting for: a port
// library's call may never return. It runs one call at a time. The thread is made with the
// object, so that nothing need be made once a call has begun.
class WorkerThread
{
public:
    // `returned` runs on the thread after each call (to wake the event thread). Throws
    // std::system_error when the system gives no thread.
    explicit WorkerThread(std::function<void()> returned);
    // Ends the thread. A thread whose call never returned is left to the end of the process:
    // it keeps what it shares with this object alive.
    ~WorkerThread();
    WorkerThread(const WorkerThread &) = delete;
    WorkerThread &operator=(const WorkerThread &) = delete;

    // Hands `call` to the thread; the call before it must have returned. `call` must not
    // throw. A call that holds no more than a pointer is stored without allocating.
    void start(std::function<void()> call);
    // The last call has returned (or none was started).
    bool idle() const;
    // Waits up to `ms` milliseconds for the call to return; true when it has.
    bool waitFor(int ms);

private:
    struct Shared;
    static void serve(std::shared_ptr<Shared> shared);

    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
};

} // namespace la
