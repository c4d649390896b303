#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace la {

// The reads of a streamed capture on their way from the reading thread to the thread that
// keeps them: a fixed ring of slots, each a read of the status register and its stamp, for
// one producer and one consumer. A sample of more than one register keeps the first
// register's read there and the others' in an extra of 16 bits (SampleRegisters). The producer's
// side takes no lock, allocates nothing and makes no system call. It hands its reads on in batches
// (every Batch reads, or sooner when the reads are slow), so that the consumer's index and the
// producer's are not passed between the processors at every read. The memory is taken and touched
// at construction.
class ReadRing
{
public:
    static constexpr std::uint64_t Batch = 256;
    static constexpr std::size_t BytesPerSlot = sizeof(std::int16_t) + sizeof(std::int64_t);
    static constexpr std::size_t BytesPerExtra = sizeof(std::uint16_t);

    // `capacity`: a power of two, at least 2 * Batch; `extras`: whether each slot has room
    // for the reads of a second and third register. Throws std::bad_alloc.
    explicit ReadRing(std::size_t capacity, bool extras = false);
    ReadRing(const ReadRing &) = delete;
    ReadRing &operator=(const ReadRing &) = delete;

    std::uint64_t capacity() const { return m_mask + 1; }
    std::size_t bytes() const
    {
        return std::size_t(capacity()) * (BytesPerSlot + (m_extras ? BytesPerExtra : 0));
    }
    // The arrays, for locking them in memory; the extras' is null without them.
    const std::int16_t *readsData() const { return m_reads.get(); }
    const std::int64_t *stampsData() const { return m_stamps.get(); }
    const std::uint16_t *extrasData() const { return m_extras.get(); }

    // The producer's side. Whether the next read has a slot: when the consumer has not
    // freed one since, the ring is full.
    bool hasRoom()
    {
        if (m_next - m_freedSeen <= m_mask)
            return true;
        m_freedSeen = m_freed.load(std::memory_order_acquire);
        return m_next - m_freedSeen <= m_mask;
    }
    // Stores the next read; hasRoom() must have said so.
    void put(std::int16_t read, std::int64_t stamp)
    {
        const std::uint64_t slot = m_next & m_mask;
        m_reads[slot] = read;
        m_stamps[slot] = stamp;
        ++m_next;
    }
    // The same with the reads of the other registers; the ring must have extras.
    void put(std::int16_t read, std::uint16_t extra, std::int64_t stamp)
    {
        m_extras[m_next & m_mask] = extra;
        put(read, stamp);
    }
    bool batchFull() const { return (m_next & (Batch - 1)) == 0; }
    // Hands every read put so far to the consumer.
    void publish() { m_published.store(m_next, std::memory_order_release); }
    std::uint64_t produced() const { return m_next; }

    // The consumer's side: the reads [freed(), published()) are there to be read.
    std::uint64_t published() const { return m_published.load(std::memory_order_acquire); }
    std::int16_t read(std::uint64_t index) const { return m_reads[index & m_mask]; }
    std::int64_t stamp(std::uint64_t index) const { return m_stamps[index & m_mask]; }
    // 0 in a ring without extras.
    std::uint16_t extra(std::uint64_t index) const
    {
        return m_extras ? m_extras[index & m_mask] : std::uint16_t(0);
    }
    // Gives the slots of the reads before `index` back to the producer.
    void free(std::uint64_t index) { m_freed.store(index, std::memory_order_release); }
    std::uint64_t freed() const { return m_freed.load(std::memory_order_relaxed); }

private:
    std::unique_ptr<std::int16_t[]> m_reads;
    std::unique_ptr<std::int64_t[]> m_stamps;
    std::unique_ptr<std::uint16_t[]> m_extras;
    std::uint64_t m_mask;
    // The producer's own line: its next index, the freed index it saw last, and the index
    // it publishes.
    alignas(64) std::uint64_t m_next = 0;
    std::uint64_t m_freedSeen = 0;
    std::atomic<std::uint64_t> m_published{0};
    // The consumer's line.
    alignas(64) std::atomic<std::uint64_t> m_freed{0};
};

} // namespace la
