#include "acquisition/tscclock.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string_view>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#define LA_HAVE_TSC 1
#endif

namespace la {

namespace {

// The words of the first line of `path` that starts with `key`, after its colon when it has
// one; empty when there is none.
std::string wordsOf(const std::string &path, std::string_view key)
{
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        if (!line.starts_with(key))
            continue;
        const std::size_t colon = line.find(':');
        return ' ' + (colon == std::string::npos ? line : line.substr(colon + 1)) + ' ';
    }
    return {};
}

bool hasWord(const std::string &words, const std::string &word)
{
    std::istringstream in(words);
    std::string each;
    while (in >> each) {
        if (each == word)
            return true;
    }
    return false;
}

} // namespace

TscSupport detectTsc(const std::string &procRoot, const std::string &sysRoot)
{
    const std::string flags = wordsOf(procRoot + "/cpuinfo", "flags");
    const std::string sources =
        wordsOf(sysRoot + "/devices/system/clocksource/clocksource0/available_clocksource", "");
    TscSupport support;
    support.usable =
        hasWord(flags, "constant_tsc") && hasWord(flags, "nonstop_tsc") && hasWord(sources, "tsc");
    support.rdtscp = hasWord(flags, "rdtscp");
    return support;
}

#ifdef LA_HAVE_TSC
std::int64_t tscStamp()
{
    unsigned int cpu = 0;
    return static_cast<std::int64_t>(__rdtscp(&cpu));
}

std::int64_t tscStampFenced()
{
    _mm_lfence();
    return static_cast<std::int64_t>(__rdtsc());
}
#else
std::int64_t tscStamp()
{
    return monotonicNs();
}

std::int64_t tscStampFenced()
{
    return monotonicNs();
}
#endif

ClockPair tscPair()
{
    ClockPair best;
    std::int64_t narrowest = -1;
    for (int attempt = 0; attempt < 5; ++attempt) {
        const std::int64_t before = tscStampFenced();
        const std::int64_t ns = monotonicNs();
        const std::int64_t after = tscStampFenced();
        if (after < before || (narrowest >= 0 && after - before >= narrowest))
            continue;
        narrowest = after - before;
        best = {before + narrowest / 2, ns};
    }
    return best;
}

ReadClock captureClock()
{
    static const ReadClock clock = [] {
#ifdef LA_HAVE_TSC
        const TscSupport support = detectTsc();
        if (!support.usable)
            return ReadClock(monotonicNs);
        // 0.2 ms between two pairs gives the rate to about 2 parts in 10^4: enough for a
        // deadline or a priority window; the times themselves come from pairs around the reads.
        const ClockPair first = tscPair();
        while (monotonicNs() - first.ns < 200'000) {
        }
        const ClockPair second = tscPair();
        const double rate = double(second.stamp - first.stamp) /
                            double(std::max<std::int64_t>(1, second.ns - first.ns));
        if (!(rate > 0.01 && rate < 100.0))
            return ReadClock(monotonicNs);
        return ReadClock(support.rdtscp ? tscStamp : tscStampFenced, tscPair, rate);
#else
        return ReadClock(monotonicNs);
#endif
    }();
    return clock;
}

} // namespace la
