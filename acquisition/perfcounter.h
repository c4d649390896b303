#pragma once

#include <cstdint>

namespace la {

class CounterSource;

// Measures short intervals with the system's high-resolution counter. A missing or
// unreadable counter is reported by values (Available false, Frequency 0, Elapsed -1),
// never by an error. A capture uses Reset and Elapsed alone; Available, Frequency,
// fetch_time and the members' descriptions complete the timer's interface as its users
// know it and stay, though nothing in the program calls them.
class cPerfCounter
{
public:
    // A counter value as two 32-bit halves: the low half unsigned, the high half signed.
    struct LargeInteger
    {
        std::uint32_t lowPart = 0;
        std::int32_t highPart = 0;
    };

    static constexpr const char *AvailableDescription =
        "True if system has Performance Counter. [Read-Only]";
    static constexpr const char *FrequencyDescription =
        "Returns Performance Counter ticks/second. (Note: Resolution = 1/frequency)\r\n"
        "[Read-Only]";
    static constexpr const char *ResetDescription =
        "Establishes a \"start time\" reference.\r\n"
        "Call at beginning of event / code to be measured.";
    static constexpr const char *ElapsedDescription =
        "Returns elapsed time (sec) since last Reset.\r\n"
        "(-1) if error or no counter available on system.";

    // Reads the counter's frequency once; the counter itself is not read here.
    explicit cPerfCounter(CounterSource &source);

    // -1 (all bits set) when the system has a counter, 0 when not.
    std::int16_t Available() const { return has_counter; }
    double Frequency() const { return ticks_per_second; }
    void Reset();
    // The counter's current value in ticks (not seconds).
    double fetch_time();
    // Seconds since the last Reset, or -1 without a counter or when it cannot be read.
    double Elapsed();

private:
    static LargeInteger split(std::int64_t value);
    static double large_to_double(LargeInteger value);
    static double unsigned_to_double(std::uint32_t value);

    CounterSource &m_source;
    std::int16_t has_counter = 0;
    double ticks_per_second = 0;
    LargeInteger start_count;
    LargeInteger fetch_count;
};

} // namespace la
