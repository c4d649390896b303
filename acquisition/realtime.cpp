#include "acquisition/realtime.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

namespace la {

namespace {

// The value of one of the kernel's settings, or `otherwise` where it cannot be read.
std::int64_t setting(const std::string &path, std::int64_t otherwise)
{
    std::ifstream file(path);
    long long value = 0;
    return file >> value ? value : otherwise;
}

// `from` plus `span`, stopping short of overflow.
std::int64_t later(std::int64_t from, std::int64_t span)
{
    constexpr std::int64_t Most = std::numeric_limits<std::int64_t>::max();
    return from > Most - span ? Most : from + span; // span >= 0
}

std::string refusal(int error)
{
    if (error == EPERM)
        return "no permission for real-time";
    return std::string("real-time refused: ") + std::strerror(error);
}

} // namespace

RealtimeBudget readRealtimeBudget(const std::string &procRoot)
{
    const RealtimeBudget fallback;
    const std::string kernel = procRoot + "/sys/kernel/";
    const std::int64_t runtimeUs =
        setting(kernel + "sched_rt_runtime_us", fallback.runtimeNs / 1000);
    const std::int64_t periodUs = setting(kernel + "sched_rt_period_us", fallback.periodNs / 1000);
    return {runtimeUs < 0 ? -1 : runtimeUs * 1000, periodUs * 1000};
}

RealtimeWindows::RealtimeWindows(PriorityControl &control, RealtimeBudget budget,
                                 const ReadClock &clock)
    : m_control(control)
{
    // The kernel throttles nothing when real-time threads may take the whole period.
    if (budget.runtimeNs < 0 || budget.runtimeNs >= budget.periodNs) {
        m_realtimeTicks = Never;
        return;
    }
    // A twentieth of the period to spare (50 ms by default): the window ends at the first read
    // after its time, and the periods need not start with it. A window and its ordinary
    // follower make one period, so any period holds one window's worth of real-time running.
    const std::int64_t realtimeNs = budget.runtimeNs - budget.periodNs / 20;
    if (realtimeNs <= 0)
        return;
    m_realtimeTicks = std::max<std::int64_t>(1, clock.ticks(realtimeNs));
    m_ordinaryTicks = std::max<std::int64_t>(1, clock.ticks(budget.periodNs - realtimeNs));
}

RealtimeWindows::~RealtimeWindows()
{
    if (m_raised)
        m_control.lower();
}

void RealtimeWindows::start()
{
    if (m_realtimeTicks == 0) {
        m_whyNone = "the kernel allows real-time threads no time";
        return;
    }
    if (const int error = m_control.raise(); error != 0) {
        m_whyNone = refusal(error);
        return;
    }
    m_raised = m_everRaised = true;
    m_switchAt = std::numeric_limits<std::int64_t>::min(); // the first stamp starts the window
}

void RealtimeWindows::switchWindow(std::int64_t stamp)
{
    if (!m_started) {
        m_started = true;
        m_firstStamp = m_windowStart = stamp;
        m_switchAt = later(stamp, m_realtimeTicks);
        return;
    }
    if (m_raised) {
        m_control.lower();
        m_raised = false;
        m_realtimeSpent += stamp - m_windowStart;
        m_switchAt = later(stamp, m_ordinaryTicks);
    } else if (m_control.raise() == 0) {
        m_raised = true;
        m_switchAt = later(stamp, m_realtimeTicks);
    } else {
        m_switchAt = Never; // refused now, though granted before: the rest stays ordinary
    }
    m_windowStart = stamp;
}

void RealtimeWindows::finish(std::int64_t lastStamp)
{
    if (m_raised) {
        m_control.lower();
        m_raised = false;
        if (m_started)
            m_realtimeSpent += lastStamp - m_windowStart;
    }
    m_total = m_started ? lastStamp - m_firstStamp : 0;
    m_switchAt = Never;
}

ReadPriority RealtimeWindows::priority() const
{
    if (!m_everRaised)
        return {0, m_whyNone};
    if (m_total <= 0)
        return {1, {}};
    return {double(m_realtimeSpent) / double(m_total), {}};
}

} // namespace la
