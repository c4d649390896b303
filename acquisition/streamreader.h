#pragma once

#include "acquisition/capturesummary.h"
#include "acquisition/portio.h"
#include "acquisition/readclock.h"
#include "acquisition/readring.h"
#include "acquisition/realtime.h"
#include "acquisition/samplingloop.h"

#include <atomic>
#include <cstdint>
#include <thread>

namespace la {

// How a streamed capture ended. The first reason given wins.
enum class StreamEnd : int
{
    None,
    Done,           // the reads or the time asked for
    Signal,         // a signal ended a capture without end
    CouldNotKeepUp, // the ring was full: the keeping side fell behind
    ReadHung,       // a read did not return in time
    PortFailed,     // a read failed
    TriggerTimeout, // the trigger did not hold in time
    OutputFailed    // the file could not be written
};

// What the reading thread shares with the threads that watch it, each group on its own
// cache line: the stop flag it reads after every read, the count of reads it stores after
// every read, and how the capture is to end.
struct StreamControl
{
    alignas(64) std::atomic<bool> stop{false};
    // Reads made and stored in the ring, released after each: once the reading thread is
    // known to be stuck, the reads before this count are all there, published or not.
    alignas(64) std::atomic<std::uint64_t> reads{0};
    // The reading thread has ended and published its last reads.
    std::atomic<bool> finished{false};
    alignas(64) std::atomic<int> end{int(StreamEnd::None)};
    std::atomic<int> signal{0}; // the signal of StreamEnd::Signal

    // Records why the capture ends, unless a reason came first, and stops the reads.
    bool requestEnd(StreamEnd why)
    {
        int none = int(StreamEnd::None);
        const bool first = end.compare_exchange_strong(none, int(why));
        stop.store(true, std::memory_order_relaxed);
        return first;
    }
    StreamEnd ending() const { return StreamEnd(end.load()); }
};

// No limit to the count of reads.
inline constexpr std::uint64_t NoReadLimit = ~std::uint64_t(0);

// The time-critical loop of a streamed capture: reads through `loop` (the register, a stamp
// after each read, the windows' poll) into `ring`, until `limit` reads were made, `stop` is
// set, a read fails (returns -1; it is stored), or the ring is full (the read is then not
// made). The reads are published every ReadRing::Batch reads, or at the first read
// `publishAfter` stamp units after the last publication, and at the end. Nothing else: no
// allocation, no lock, no system call but a switch of priority where a window ends. Returns
// the last read's stamp (the first stamp when there was none).
std::int64_t readIntoRing(const ReadLoop &loop, ReadRing &ring, std::uint64_t limit,
                          std::int64_t publishAfter, StreamControl &control);

// The registers a sample reads after the first (ReadLoop::statusPort), in reading order: one
// or two.
struct OtherRegisters
{
    std::int16_t second = 0;
    std::int16_t third = 0;
    int count = 0;
};

// The same loop for samples of two or three registers: each read in turn, then one stamp,
// the sample's time, after the last; the second read goes into the extra's low byte, the
// third into its high byte. A failed read of any of them ends the reads, stored as a failed
// first read. Kept apart so that the one-register loop carries no branch on the choice.
std::int64_t readIntoRing(const ReadLoop &loop, const OtherRegisters &others, ReadRing &ring,
                          std::uint64_t limit, std::int64_t publishAfter, StreamControl &control);

// The reading thread of a streamed capture. It blocks SIGINT, SIGTERM and SIGHUP, so that
// they reach the thread that handles them and no read is interrupted by one.
class StreamReader
{
public:
    // Publication at least this often (in nanoseconds), so that slow reads reach
    // the keeping side soon.
    static constexpr std::int64_t PublishAfterNs = 1'000'000;

    StreamReader(ReadRing &ring, StreamControl &control) : m_ring(ring), m_control(control) {}
    // Joins the thread if it ended; one that is stuck is left to the end of the process.
    ~StreamReader();
    StreamReader(const StreamReader &) = delete;
    StreamReader &operator=(const StreamReader &) = delete;

    // Starts reading, its ring locked in memory and in real-time windows where the system
    // allows it, whatever the length (realtime.h). Each read is stamped by `clock`: a
    // counter's stamps are for the keeping side to place (StreamRequest::clock). Throws
    // std::system_error when the thread cannot be made. A sample reads `first`, then the
    // `others` (none by default); a ring with extras is needed for them.
    void start(Inp32Fn inp32, std::int16_t first, ReadClock clock, std::uint64_t limit,
               OtherRegisters others = {});
    bool finished() const { return m_control.finished.load(std::memory_order_acquire); }
    void join();
    // At which priority the reads ran; complete once the thread has finished.
    ReadPriority priority() const { return m_priority; }

private:
    ReadRing &m_ring;
    StreamControl &m_control;
    std::thread m_thread;
    ReadPriority m_priority; // written before `finished` is released
};

} // namespace la
