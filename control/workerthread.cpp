#include "control/workerthread.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>

namespace la {

struct WorkerThread::Shared
{
    std::mutex mutex;
    std::condition_variable changed;
    std::function<void()> call;
    std::function<void()> returned;
    bool handed = false; // a call waits to be run
    bool ending = false;
    std::atomic<bool> idle{true};
};

WorkerThread::WorkerThread(std::function<void()> returned) : m_shared(std::make_shared<Shared>())
{
    m_shared->returned = std::move(returned);
    m_thread = std::thread(serve, m_shared);
}

WorkerThread::~WorkerThread()
{
    {
        const std::lock_guard lock(m_shared->mutex);
        m_shared->ending = true;
    }
    m_shared->changed.notify_all();
    if (idle())
        m_thread.join();
    else
        m_thread.detach();
}

void WorkerThread::start(std::function<void()> call)
{
    {
        const std::lock_guard lock(m_shared->mutex);
        m_shared->call = std::move(call);
        m_shared->handed = true;
        m_shared->idle.store(false);
    }
    m_shared->changed.notify_all();
}

bool WorkerThread::idle() const
{
    return m_shared->idle.load();
}

bool WorkerThread::waitFor(int ms)
{
    std::unique_lock lock(m_shared->mutex);
    return m_shared->changed.wait_for(lock, std::chrono::milliseconds(ms),
                                      [this] { return m_shared->idle.load(); });
}

void WorkerThread::serve(std::shared_ptr<Shared> shared)
{
    for (;;) {
        std::function<void()> call;
        {
            std::unique_lock lock(shared->mutex);
            shared->changed.wait(lock, [&] { return shared->handed || shared->ending; });
            if (!shared->handed)
                return;
            call = std::move(shared->call);
            shared->handed = false;
        }
        call();
        {
            const std::lock_guard lock(shared->mutex);
            shared->idle.store(true);
        }
        shared->changed.notify_all();
        if (shared->returned)
            shared->returned();
    }
}

} // namespace la
