#include "acquisition/streamreader.h"

#include "acquisition/realtime.h"

#include <csignal>
#include <pthread.h>

namespace la {

void readIntoRing(Inp32Fn inp32, std::int16_t statusPort, ReadClock clock, ReadRing &ring,
                  std::uint64_t limit, std::int64_t publishAfter, StreamControl &control)
{
    std::int64_t published = clock();
    for (std::uint64_t n = 0; n != limit;) {
        if (!ring.hasRoom()) {
            control.requestEnd(StreamEnd::CouldNotKeepUp);
            break;
        }
        const std::int16_t read = inp32(statusPort);
        // After the read: the moment the register's value was on the lines is within the
        // read, not before it.
        const std::int64_t stamp = clock();
        ring.put(read, stamp);
        control.reads.store(++n, std::memory_order_release);
        // A failed read ends the reads: the ones after it would fail too, or say nothing.
        if (read < 0) [[unlikely]] {
            control.requestEnd(StreamEnd::PortFailed);
            break;
        }
        if (ring.batchFull() || stamp - published > publishAfter) {
            ring.publish();
            published = stamp;
        }
        if (control.stop.load(std::memory_order_relaxed))
            break;
    }
    ring.publish();
}

StreamReader::~StreamReader()
{
    if (m_thread.joinable()) {
        if (finished())
            m_thread.join();
        else
            m_thread.detach();
    }
}

void StreamReader::start(Inp32Fn inp32, std::int16_t statusPort, ReadClock clock,
                         std::uint64_t limit)
{
    // The signals that end the program are for the thread that handles them; a read is
    // never interrupted by one. A fault in the port library still ends the program.
    sigset_t ending, old;
    sigemptyset(&ending);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&ending, signal);
    pthread_sigmask(SIG_BLOCK, &ending, &old);
    try {
        m_thread = std::thread([=, this] {
            {
                const RealtimeSection realtime(
                    {{m_ring.readsData(), std::size_t(m_ring.capacity()) * sizeof(std::int16_t)},
                     {m_ring.stampsData(), std::size_t(m_ring.capacity()) * sizeof(std::int64_t)}},
                    0);
                int policy = SCHED_OTHER;
                sched_param param{};
                pthread_getschedparam(pthread_self(), &policy, &param);
                // Raised here, or started at real-time priority (chrt).
                m_raised = realtime.raised() || policy == SCHED_FIFO || policy == SCHED_RR;
                readIntoRing(inp32, statusPort, clock, m_ring, limit, PublishAfterNs, m_control);
            }
            if (limit != NoReadLimit && m_control.reads.load(std::memory_order_relaxed) == limit)
                m_control.requestEnd(StreamEnd::Done);
            m_control.finished.store(true, std::memory_order_release);
        });
    } catch (...) {
        pthread_sigmask(SIG_SETMASK, &old, nullptr);
        throw;
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

void StreamReader::join()
{
    if (m_thread.joinable())
        m_thread.join();
}

PriorityFigures StreamReader::priority() const
{
    PriorityFigures figures;
    figures.realtimeShare = m_raised ? 1.0 : 0.0;
    if (!m_raised)
        figures.whyNone = "real-time priority not permitted";
    return figures;
}

} // namespace la
