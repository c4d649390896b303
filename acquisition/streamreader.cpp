#include "acquisition/streamreader.h"

#include "acquisition/lockedmemory.h"
#include "acquisition/quietthread.h"
#include "acquisition/threadpriority.h"

namespace la {

namespace {

// The reads of one sample of `Count` registers in turn, then one stamp, the sample's time,
// after the last. Each count has a loop of its own, so that the one-register loop carries
// no branch on the choice.
template <int Count>
std::int64_t readSamples(const ReadLoop &loop, const OtherRegisters &others, ReadRing &ring,
                         std::uint64_t limit, std::int64_t publishAfter, StreamControl &control)
{
    const Inp32Fn inp32 = loop.inp32;
    const std::int16_t firstPort = loop.statusPort, secondPort = others.second,
                       thirdPort = others.third;
    std::int64_t stamp = loop.stamp();
    std::int64_t published = stamp;
    for (std::uint64_t n = 0; n != limit;) {
        if (!ring.hasRoom()) {
            control.requestEnd(StreamEnd::CouldNotKeepUp);
            break;
        }
        const std::int16_t first = inp32(firstPort);
        std::int16_t second = 0, third = 0;
        if constexpr (Count >= 2)
            second = inp32(secondPort);
        if constexpr (Count == 3)
            third = inp32(thirdPort);
        // After the last read: the moment the registers' values were on the lines is within
        // the reads, not before them.
        stamp = loop.stamp();
        // Negative when any read failed.
        const bool failed = (first | second | third) < 0;
        if constexpr (Count == 1)
            ring.put(first, stamp);
        else
            ring.put(failed ? std::int16_t(-1) : first,
                     static_cast<std::uint16_t>((second & 0xFF) | (third & 0xFF) << 8), stamp);
        control.reads.store(++n, std::memory_order_release);
        loop.windows.poll(stamp);
        // A failed read ends the reads: the ones after it would fail too, or say nothing.
        if (failed) [[unlikely]] {
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
    return stamp;
}

} // namespace

std::int64_t readIntoRing(const ReadLoop &loop, ReadRing &ring, std::uint64_t limit,
                          std::int64_t publishAfter, StreamControl &control)
{
    return readSamples<1>(loop, OtherRegisters{}, ring, limit, publishAfter, control);
}

std::int64_t readIntoRing(const ReadLoop &loop, const OtherRegisters &others, ReadRing &ring,
                          std::uint64_t limit, std::int64_t publishAfter, StreamControl &control)
{
    return others.count == 2 ? readSamples<3>(loop, others, ring, limit, publishAfter, control)
                             : readSamples<2>(loop, others, ring, limit, publishAfter, control);
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

void StreamReader::start(Inp32Fn inp32, std::int16_t first, ReadClock clock, std::uint64_t limit,
                         OtherRegisters others)
{
    const RealtimeBudget budget = readRealtimeBudget();
    m_thread = quietThread([=, this] {
        {
            const std::size_t slots = std::size_t(m_ring.capacity());
            const LockedMemory locked(
                {{m_ring.readsData(), slots * sizeof(std::int16_t)},
                 {m_ring.stampsData(), slots * sizeof(std::int64_t)},
                 {m_ring.extrasData(), m_ring.extrasData() ? slots * sizeof(std::uint16_t) : 0}});
            ThreadPriority thread;
            RealtimeWindows windows(thread, budget, clock);
            const ReadLoop loop{inp32, first, clock.stamp, windows};
            const std::int64_t publishAfter = clock.ticks(PublishAfterNs);
            windows.start();
            windows.finish(
                others.count == 0
                    ? readIntoRing(loop, m_ring, limit, publishAfter, m_control)
                    : readIntoRing(loop, others, m_ring, limit, publishAfter, m_control));
            m_priority = windows.priority();
        }
        if (limit != NoReadLimit && m_control.reads.load(std::memory_order_relaxed) == limit)
            m_control.requestEnd(StreamEnd::Done);
        m_control.finished.store(true, std::memory_order_release);
    });
}

void StreamReader::join()
{
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace la
