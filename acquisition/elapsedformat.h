#pragma once

#include <cstdint>
#include <string>

namespace la {

// Formats a time in milliseconds as the capture display shows it: at least three digits
// before a '.', exactly one after, e.g. 12.3 -> "012.3", 1500 -> "1500.0", -1000 ->
// "-1000.0". The last digit is rounded half away from zero (0.05 -> "000.1"); the separator
// is always '.', whatever the locale.
std::string formatMilliseconds(double ms);

// A number with a fixed count of decimals and a '.', whatever the locale: (10.432, 2) ->
// "10.43".
std::string fixedPoint(double value, int decimals);

// A moment as the local date and time, "2024-05-01 14:03:27"; `epochSeconds` counted from
// 1970-01-01 00:00 UTC.
std::string localDateText(std::int64_t epochSeconds);

} // namespace la
