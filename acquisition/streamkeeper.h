#pragma once

#include "acquisition/changesink.h"
#include "acquisition/channelchoice.h"
#include "acquisition/clockcalibration.h"
#include "acquisition/gapstatistics.h"
#include "acquisition/readring.h"
#include "acquisition/streamreader.h"
#include "acquisition/trigger.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

namespace la {

// What a streamed capture keeps: `samples` reads, or the reads of `timeNs`, or (neither
// given) all until it is ended from outside; with a trigger, from the reads around the
// first one at which it holds, `pretriggerPercent` of them (or of the time) from before it,
// waiting at most `timeoutNs` for it.
struct StreamRequest
{
    std::uint16_t base = 0x378;
    // The chosen lines' bits in a sample word: their registers are what a sample reads, in
    // the ring as SampleRegisters says.
    SampleWord lines = StatusLineBits;
    std::uint64_t samples = 0; // 0: not a count
    std::int64_t timeNs = 0;   // 0: not a time
    std::optional<TriggerCondition> trigger;
    int pretriggerPercent = 10;
    std::int64_t timeoutNs = 10'000'000'000;
    // One moment on both clocks, for the dates of the reads: the wall clock in nanoseconds
    // since the epoch, and CLOCK_MONOTONIC.
    std::int64_t wallNs = 0;
    std::int64_t monotonicNs = 0;
    // The clock the reads are stamped with; a counter's stamps are placed on CLOCK_MONOTONIC
    // by pairs the keeping side takes as it goes.
    ReadClock clock;
};

// How far a streamed capture has come, for a progress line. Stored by the keeping side
// after each batch of reads, relaxed.
struct StreamProgress
{
    std::atomic<bool> waiting{false}; // for the trigger
    std::atomic<std::int64_t> waitedNs{0};
    std::atomic<std::uint64_t> kept{0};
    std::atomic<std::uint64_t> changes{0};
    std::atomic<std::uint64_t> pauses{0}; // so far, against the period of the first reads
    std::atomic<std::int64_t> keptNs{0};  // from the first read kept to the last
    // The most reads seen waiting in the ring at once: how far the keeping side fell behind.
    std::atomic<std::uint64_t> mostWaiting{0};
};

// The keeping side of a streamed capture, on a thread of its own: takes the reads from the
// ring as the reading thread publishes them, chooses the time unit from a burst of the
// first reads, waits for the trigger, keeps the changes for `sink` and the gaps' figures,
// and frees the slots it has done with. All its memory is taken at construction. Where the
// system allows it, it keeps at real-time priority just below the reads'.
class StreamKeeper
{
public:
    // The burst the time unit is chosen from: this many reads, or fewer spanning BurstNs.
    static constexpr std::uint64_t BurstReads = 1024;
    static constexpr std::int64_t BurstNs = 50'000'000;

    StreamKeeper(ReadRing &ring, StreamControl &control, const StreamRequest &request,
                 ChangeSink &sink, StreamProgress &progress);
    StreamKeeper(const StreamKeeper &) = delete;
    StreamKeeper &operator=(const StreamKeeper &) = delete;

    // The most reads kept from before a trigger: half the ring.
    std::uint64_t mostBeforeTrigger() const { return m_ring.capacity() / 2; }

    // Keeps until the capture ends: by the request, by what the reading thread says, or
    // because an end was asked for from outside. An exception from the sink ends it with
    // OutputFailed and its message in failure().
    void run();

    // From another thread: the reads before `reads` are all there will be (the reading
    // thread is stuck; its count says how far it got).
    void cutInput(std::uint64_t reads) { m_cut.store(reads, std::memory_order_release); }
    // From another thread: stop waiting for the trigger, if still waiting.
    void giveUpWaiting() { m_giveUp.store(true, std::memory_order_release); }

    // After run(): whether the sink was begun, the figures, and the sink's failure.
    bool begun() const { return m_begun; }
    CaptureSummary summary() const;
    const std::string &failure() const { return m_failure; }
    // The time unit's period, from the burst.
    double burstPeriodNs() const { return m_periodNs; }

private:
    enum class Phase
    {
        Burst,
        Waiting,
        Keeping,
        Over
    };

    std::uint64_t available(bool &ended) const;
    // When a read was made, in nanoseconds of CLOCK_MONOTONIC.
    std::int64_t timeOf(std::uint64_t index) { return m_calibration.toNs(m_ring.stamp(index)); }
    SampleWord sampleAt(std::uint64_t index) const
    {
        return m_registers.word(m_ring.read(index), m_ring.extra(index));
    }
    void idle(int rounds);
    void endBurst(std::uint64_t reads);
    void wait(std::uint64_t index);
    void triggerHeld(std::uint64_t index);
    void keep(std::uint64_t index);
    void end(StreamEnd why);
    void freeDone();
    void report();

    ReadRing &m_ring;
    StreamControl &m_control;
    StreamRequest m_request;
    SampleRegisters m_registers;
    ClockCalibration m_calibration;
    ChangeKeeper m_changes;
    StreamProgress &m_progress;
    GapStatistics m_gaps;
    std::array<std::int64_t, BurstReads> m_burstGaps{};

    std::atomic<std::uint64_t> m_cut{~std::uint64_t(0)};
    std::atomic<bool> m_giveUp{false};

    Phase m_phase = Phase::Burst;
    std::uint64_t m_next = 0;  // the next read to look at
    std::uint64_t m_first = 0; // the first read kept
    std::uint64_t m_beforeTrigger = 0;
    std::int64_t m_periodNs = 1000;
    std::int64_t m_startNs = 0; // of the first read made
    std::int64_t m_firstNs = 0; // of the first read kept
    std::int64_t m_lastNs = 0;  // of the last read kept, from the first
    std::int64_t m_previousNs = 0;
    SampleWord m_previous = 0; // the sample before, while waiting
    SampleWord m_last = 0;     // the last sample kept
    std::uint64_t m_kept = 0;
    std::uint64_t m_pausesSoFar = 0;
    std::uint64_t m_mostWaiting = 0;
    std::optional<TriggerFigures> m_trigger;
    bool m_begun = false;
    std::string m_failure;
};

} // namespace la
