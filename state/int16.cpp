#include "state/int16.h"

#include "state/runtimeerror.h"

#include <charconv>
#include <string>

namespace la {

std::int16_t toInt16(long long value)
{
    if (value < INT16_MIN || value > INT16_MAX) {
        throw RuntimeError(RuntimeError::Kind::Overflow,
                           "16-bit overflow: " + std::to_string(value) +
                               " lies outside -32768..32767");
    }
    return static_cast<std::int16_t>(value);
}

std::int16_t add16(long long a, long long b)
{
    return toInt16(a + b);
}

std::int16_t textToInt16(std::string_view text)
{
    auto mismatch = [&] {
        return RuntimeError(RuntimeError::Kind::TypeMismatch,
                            "\"" + std::string(text) + "\" is not a number");
    };
    if (text.size() > 2 && (text.substr(0, 2) == "&H" || text.substr(0, 2) == "&h")) {
        std::string_view digits = text.substr(2);
        unsigned long long value = 0;
        auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
        if (ec != std::errc() || end != digits.data() + digits.size())
            throw mismatch();
        if (value > 0xFFFF)
            return toInt16(static_cast<long long>(value)); // raises the overflow
        // Up to four hex digits fill the 16-bit word: "&HFFFF" is -1.
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
    }
    long long value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (text.empty() || ec == std::errc::invalid_argument || end != text.data() + text.size())
        throw mismatch();
    if (ec == std::errc::result_out_of_range)
        throw RuntimeError(RuntimeError::Kind::Overflow, "16-bit overflow: " + std::string(text));
    return toInt16(value);
}

} // namespace la
