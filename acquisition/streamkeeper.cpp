#include "acquisition/streamkeeper.h"

#include "acquisition/elapsedformat.h"
#include "acquisition/threadpriority.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <pthread.h>
#include <sched.h>
#include <thread>

namespace la {

namespace {

// Reads looked at between two frees of their slots, so that a keeping side that has fallen
// behind gives the reading side room as it catches up.
constexpr std::uint64_t ChunkReads = 1 << 16;
// How long the keeping side sleeps when it has caught up: the ring holds 60 ms of the
// fastest reads, and waking seldom leaves the reading processor alone.
constexpr auto IdleSleep = std::chrono::milliseconds(10);
// Rounds without new reads after which the sink may hand on what it holds.
constexpr int IdleRoundsToHandOn = 10;
constexpr std::uint64_t NoCut = ~std::uint64_t(0);

// For as long as it lives, the calling thread runs at real-time priority just below the
// reading thread's, where the system allows it: the keeping side needs little of a
// processor, but ordinary processes must not hold it back for longer than the ring lasts
// (60 ms of the fastest reads). It sleeps whenever it has caught up, so the kernel's limit
// on real-time running is never near.
class KeepingPriority
{
public:
    KeepingPriority()
    {
        if (pthread_getschedparam(pthread_self(), &m_oldPolicy, &m_oldParam) != 0)
            return;
        sched_param param{};
        param.sched_priority = ThreadPriority::Priority - 1;
        m_raised = pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
    }
    ~KeepingPriority()
    {
        if (m_raised)
            pthread_setschedparam(pthread_self(), m_oldPolicy, &m_oldParam);
    }
    KeepingPriority(const KeepingPriority &) = delete;
    KeepingPriority &operator=(const KeepingPriority &) = delete;

private:
    int m_oldPolicy = SCHED_OTHER;
    sched_param m_oldParam{};
    bool m_raised = false;
};

} // namespace

StreamKeeper::StreamKeeper(ReadRing &ring, StreamControl &control, const StreamRequest &request,
                           ChangeSink &sink, StreamProgress &progress)
    : m_ring(ring), m_control(control), m_request(request),
      m_registers(SampleRegisters::of(request.lines)), m_calibration(request.clock),
      m_changes(sink, request.lines), m_progress(progress)
{
    const std::uint64_t percent = std::uint64_t(request.pretriggerPercent);
    if (request.samples > 0)
        m_beforeTrigger = std::min(request.samples * percent / 100, mostBeforeTrigger());
    else if (request.timeNs > 0)
        m_beforeTrigger = mostBeforeTrigger();
    else
        m_beforeTrigger = mostBeforeTrigger() * percent / 100;
    m_failure.reserve(512);
}

std::uint64_t StreamKeeper::available(bool &ended) const
{
    const std::uint64_t cut = m_cut.load(std::memory_order_acquire);
    if (cut != NoCut) {
        ended = true;
        return cut;
    }
    // Finished first: its last publication then comes before the one read here.
    ended = m_control.finished.load(std::memory_order_acquire);
    return m_ring.published();
}

void StreamKeeper::run()
{
    const KeepingPriority priority;
    try {
        int idleRounds = 0;
        while (m_phase != Phase::Over) {
            bool ended = false;
            const std::uint64_t upTo = available(ended);
            // A pair of the clock taken after the newest stamp, so that each stamp is placed
            // between two pairs.
            if (upTo > 0 && !m_request.clock.plain() &&
                m_ring.stamp(upTo - 1) > m_calibration.newestStamp())
                m_calibration.refresh();
            if (m_phase == Phase::Burst && upTo > 0 &&
                (ended || upTo >= BurstReads || timeOf(upTo - 1) - timeOf(0) >= BurstNs)) {
                endBurst(std::min(upTo, BurstReads));
                continue;
            }
            if (m_phase == Phase::Burst || m_next == upTo) {
                const bool nothingKept = m_phase != Phase::Keeping;
                if (ended || (nothingKept && (m_giveUp.load(std::memory_order_acquire) ||
                                              m_control.ending() != StreamEnd::None))) {
                    if (nothingKept && m_giveUp.load(std::memory_order_acquire))
                        end(StreamEnd::TriggerTimeout);
                    m_phase = Phase::Over;
                    break;
                }
                idle(++idleRounds);
                continue;
            }
            idleRounds = 0;
            if (upTo - m_next > m_mostWaiting)
                m_mostWaiting = upTo - m_next;
            const std::uint64_t stop = std::min(upTo, m_next + ChunkReads);
            while (m_next < stop && m_phase == Phase::Waiting)
                wait(m_next++);
            while (m_next < stop && m_phase == Phase::Keeping)
                keep(m_next++);
            freeDone();
            report();
        }
    } catch (const std::exception &error) {
        m_failure = error.what();
        m_control.requestEnd(StreamEnd::OutputFailed);
        m_phase = Phase::Over;
    }
    report();
}

void StreamKeeper::idle(int rounds)
{
    if (m_begun && rounds % IdleRoundsToHandOn == 0)
        m_changes.sink().idle();
    std::this_thread::sleep_for(IdleSleep);
}

void StreamKeeper::endBurst(std::uint64_t reads)
{
    for (std::uint64_t i = 0; i < reads; ++i) {
        if (m_ring.read(i) < 0) {
            end(StreamEnd::PortFailed);
            return;
        }
    }
    if (reads >= 2) {
        for (std::uint64_t i = 1; i < reads; ++i)
            m_burstGaps[i - 1] = timeOf(i) - timeOf(i - 1);
        const auto gaps = m_burstGaps.begin();
        const auto middle = gaps + std::ptrdiff_t((reads - 1) / 2);
        std::nth_element(gaps, middle, gaps + std::ptrdiff_t(reads - 1));
        if (*middle > 0)
            m_periodNs = *middle;
    }
    m_startNs = timeOf(0);
    m_previousNs = m_startNs;
    m_next = 0;
    m_phase = m_request.trigger ? Phase::Waiting : Phase::Keeping;
    m_progress.waiting.store(m_phase == Phase::Waiting, std::memory_order_relaxed);
}

void StreamKeeper::wait(std::uint64_t index)
{
    const std::int64_t time = timeOf(index);
    if (m_ring.read(index) < 0) {
        end(StreamEnd::PortFailed);
        return;
    }
    const SampleWord sample = sampleAt(index);
    const TriggerCondition &trigger = *m_request.trigger;
    if (index == 0 ? trigger.holdsAtFirst(sample) : trigger.holds(m_previous, sample)) {
        triggerHeld(index);
        return;
    }
    if (time - m_startNs > m_request.timeoutNs) {
        end(StreamEnd::TriggerTimeout);
        return;
    }
    m_previous = sample;
    m_previousNs = time;
}

void StreamKeeper::triggerHeld(std::uint64_t index)
{
    std::uint64_t from = index > m_beforeTrigger ? index - m_beforeTrigger : 0;
    from = std::max(from, m_ring.freed());
    const std::int64_t time = timeOf(index);
    if (m_request.timeNs > 0) {
        const std::int64_t beforeNs = m_request.timeNs / 100 * m_request.pretriggerPercent;
        while (from < index && time - timeOf(from) > beforeNs)
            ++from;
    }
    m_trigger = TriggerFigures{index - from, m_request.trigger->text(), time - timeOf(from),
                               index > 0 ? time - m_previousNs : 0};
    m_first = from;
    m_next = from;
    m_phase = Phase::Keeping;
    m_progress.waiting.store(false, std::memory_order_relaxed);
}

void StreamKeeper::keep(std::uint64_t index)
{
    const std::int16_t read = m_ring.read(index);
    const std::int64_t time = timeOf(index);
    if (index == m_first) {
        if (read < 0) {
            end(StreamEnd::PortFailed);
            return;
        }
        m_firstNs = time;
        m_last = sampleAt(index);
        m_kept = 1;
        CaptureStart start;
        start.base = m_request.base;
        start.date =
            localDateText((m_request.wallNs + (time - m_request.monotonicNs)) / 1'000'000'000);
        start.periodNs = double(m_periodNs);
        start.trigger = m_trigger;
        m_changes.begin(start, m_last);
        m_begun = true;
        if (m_request.samples == 1)
            end(StreamEnd::Done);
        return;
    }
    const std::int64_t ns = time - m_firstNs;
    if (m_request.timeNs > 0 && ns >= m_request.timeNs) {
        end(StreamEnd::Done);
        return;
    }
    if (read < 0) [[unlikely]] {
        end(StreamEnd::PortFailed);
        return;
    }
    if (const SampleWord sample = sampleAt(index); sample != m_last) {
        m_changes.keep(ns, sample);
        m_last = sample;
    }
    const std::int64_t gap = ns - m_lastNs;
    m_gaps.add(gap, m_kept, ns);
    if (gap > PauseFactor * m_periodNs)
        ++m_pausesSoFar;
    m_lastNs = ns;
    if (++m_kept == m_request.samples)
        end(StreamEnd::Done);
}

void StreamKeeper::end(StreamEnd why)
{
    m_control.requestEnd(why);
    m_phase = Phase::Over;
}

void StreamKeeper::freeDone()
{
    std::uint64_t done = m_next;
    if (m_phase == Phase::Waiting)
        done = m_next > m_beforeTrigger ? m_next - m_beforeTrigger : 0;
    if (done > m_ring.freed())
        m_ring.free(done);
}

void StreamKeeper::report()
{
    m_progress.kept.store(m_kept, std::memory_order_relaxed);
    m_progress.changes.store(m_changes.changes(), std::memory_order_relaxed);
    m_progress.pauses.store(m_pausesSoFar, std::memory_order_relaxed);
    m_progress.keptNs.store(m_lastNs, std::memory_order_relaxed);
    m_progress.mostWaiting.store(m_mostWaiting, std::memory_order_relaxed);
    if (m_phase == Phase::Waiting)
        m_progress.waitedNs.store(m_previousNs - m_startNs, std::memory_order_relaxed);
}

CaptureSummary StreamKeeper::summary() const
{
    CaptureSummary summary;
    summary.base = m_request.base;
    summary.reads = m_kept;
    summary.timing = m_gaps.timing();
    const std::int64_t median = summary.timing.medianPeriodNs;
    summary.periodNs = double(median > 0 ? median : m_periodNs);
    if (m_kept > 1)
        summary.elapsedSeconds = double(m_lastNs + median) / 1e9;
    summary.endNs = m_lastNs + std::int64_t(summary.periodNs);
    summary.longestPauseAtNs = m_gaps.longestAtNs();
    summary.trigger = m_trigger;
    return summary;
}

} // namespace la
