#include "acquisition/elapsedformat.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace la {

std::string formatMilliseconds(double ms)
{
    if (!std::isfinite(ms))
        return ms > 0 ? "inf" : (ms < 0 ? "-inf" : "nan");
    // Round on the decimal value: 0.05 is stored a hair below 0.05, and tenths of the
    // measured time carry no finer meaning anyway.
    const double tenths = std::round(std::fabs(ms) * 10.0 + 1e-9);
    const bool negative = ms < 0 && tenths > 0;
    char text[48];
    if (tenths >= 1e17) {
        // Beyond what a 64-bit count of tenths holds; no capture takes this long.
        std::snprintf(text, sizeof text, "%.1f", ms);
        return text;
    }
    const long long whole = static_cast<long long>(tenths) / 10;
    const int fraction = static_cast<int>(static_cast<long long>(tenths) % 10);
    std::snprintf(text, sizeof text, "%s%03lld.%d", negative ? "-" : "", whole, fraction);
    return text;
}

std::string fixedPoint(double value, int decimals)
{
    char text[64];
    const auto [end, error] =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return error == std::errc() ? std::string(text, end) : std::string("?");
}

std::string localDateText(std::int64_t epochSeconds)
{
    const auto seconds = static_cast<std::time_t>(epochSeconds);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

} // namespace la
