#pragma once

#include "state/runtimeerror.h"

#include <array>
#include <string>

namespace la {

// A fixed array indexed 0..10000 (10001 elements) whose every access is bounds-checked:
// an index outside the bounds is an error, never a read or write beside the array.
template <typename T> class BoundedArray
{
public:
    static constexpr int First = 0;
    static constexpr int Last = 10000;

    BoundedArray() { m_items.fill(T{}); }

    T &operator[](int index) { return m_items[checked(index)]; }
    const T &operator[](int index) const { return m_items[checked(index)]; }

    // Unchecked storage for loops whose bounds are fixed at compile time.
    T *data() { return m_items.data(); }
    const T *data() const { return m_items.data(); }

private:
    static std::size_t checked(int index)
    {
        if (index < First || index > Last) {
            throw RuntimeError(RuntimeError::Kind::IndexOutOfRange,
                               "index " + std::to_string(index) + " lies outside 0..10000");
        }
        return static_cast<std::size_t>(index);
    }

    std::array<T, Last + 1> m_items;
};

} // namespace la
