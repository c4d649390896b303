#include "acquisition/readring.h"

#include <algorithm>
#include <stdexcept>

namespace la {

ReadRing::ReadRing(std::size_t capacity, bool extras)
    : m_reads(new std::int16_t[capacity]), m_stamps(new std::int64_t[capacity]),
      m_extras(extras ? new std::uint16_t[capacity] : nullptr), m_mask(capacity - 1)
{
    if (capacity < 2 * Batch || (capacity & (capacity - 1)) != 0)
        throw std::invalid_argument("a read ring holds a power of two of slots, 512 or more");
    // Touched now, so that no page is first met inside the reads.
    std::fill_n(m_reads.get(), capacity, std::int16_t(0));
    std::fill_n(m_stamps.get(), capacity, std::int64_t(0));
    if (m_extras)
        std::fill_n(m_extras.get(), capacity, std::uint16_t(0));
}

} // namespace la
