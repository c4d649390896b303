#pragma once

#include <cstdint>
#include <string_view>

namespace la {

// The instrument's integer arithmetic is 16-bit signed: a result outside -32768..32767 is an
// overflow error (RuntimeError::Kind::Overflow), never a silent wrap.
std::int16_t toInt16(long long value);
std::int16_t add16(long long a, long long b);

// Converts a list entry's text to a 16-bit integer: decimal ("1000", "-5") or hexadecimal
// with the "&H" prefix ("&H378" is 888). Hexadecimal of four digits reads as two's
// complement ("&HFFFF" is -1). Anything else is a type-mismatch error.
std::int16_t textToInt16(std::string_view text);

} // namespace la
