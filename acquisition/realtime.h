#pragma once

#include "acquisition/readclock.h"

#include <cstdint>
#include <limits>
#include <string>

namespace la {

// How long the kernel lets real-time threads run: `runtimeNs` of every `periodNs`
// (/proc/sys/kernel/sched_rt_runtime_us and sched_rt_period_us). A runtime of -1 sets no
// limit; a thread that reaches the limit is stopped for the rest of the period.
struct RealtimeBudget
{
    std::int64_t runtimeNs = 950'000'000;
    std::int64_t periodNs = 1'000'000'000;
};
// The running kernel's budget; its default where `procRoot`'s files cannot be read.
RealtimeBudget readRealtimeBudget(const std::string &procRoot = "/proc");

// Which priority a capture's reads had: the share of their time at real-time priority, 0 to
// 1, and when they had none, why ("no permission for real-time").
struct ReadPriority
{
    double realtimeShare = 0;
    std::string whyNone;
};

// The calls that set the reading thread's priority: threadpriority.h, or a stand-in.
class PriorityControl
{
public:
    virtual ~PriorityControl() = default;
    // Real-time priority (SCHED_FIFO): 0, or the error number it was refused with.
    virtual int raise() = 0;
    // Ordinary priority.
    virtual void lower() = 0;
};

// Real-time priority for reads of any length, in windows the kernel never throttles: with its
// default budget, 900 ms at real-time priority, then 100 ms at ordinary priority, in turn, so
// that no period holds more real-time running than the kernel allows. The reads go on
// through both. The reading thread polls with the stamp of each read: one compare, and where
// a window ends one switch of priority, the one system call of the reads. The windows are
// measured in stamps, so the time counted at each priority is the reads' own.
class RealtimeWindows
{
public:
    // `clock` tells how many stamp units make a window.
    RealtimeWindows(PriorityControl &control, RealtimeBudget budget, const ReadClock &clock);
    ~RealtimeWindows();
    RealtimeWindows(const RealtimeWindows &) = delete;
    RealtimeWindows &operator=(const RealtimeWindows &) = delete;

    // Real-time priority before the first read; the first window starts at the first stamp
    // polled.
    void start();
    void poll(std::int64_t stamp)
    {
        if (stamp >= m_switchAt) [[unlikely]]
            switchWindow(stamp);
    }
    // Ordinary priority after the last read; its stamp ends the time counted.
    void finish(std::int64_t lastStamp);

    ReadPriority priority() const;

private:
    static constexpr std::int64_t Never = std::numeric_limits<std::int64_t>::max();

    void switchWindow(std::int64_t stamp);

    PriorityControl &m_control;
    std::int64_t m_realtimeTicks = 0; // Never when the kernel sets no limit, 0 for none
    std::int64_t m_ordinaryTicks = 0;
    std::int64_t m_switchAt = Never;
    bool m_raised = false;
    bool m_everRaised = false;
    bool m_started = false;
    std::int64_t m_firstStamp = 0;
    std::int64_t m_windowStart = 0;
    std::int64_t m_realtimeSpent = 0;
    std::int64_t m_total = 0;
    std::string m_whyNone;
};

} // namespace la
