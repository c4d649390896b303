#pragma once

#include <charconv>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace la {

// Where a file's text goes: its pieces in order and, where the target allows it, a piece
// written again over earlier text of the same length (the figures a header learns only at
// the end). A pipe takes text in order only.
struct TextTarget
{
    std::function<void(std::string_view piece)> write;
    // Empty when the target cannot be written again.
    std::function<void(std::uint64_t offset, std::string_view piece)> writeAt;
};

// Text gathered into pieces of about a megabyte for its target. The room is taken at
// construction: adding text allocates nothing.
class TextOutput
{
public:
    static constexpr std::size_t PieceSize = 1 << 20;

    explicit TextOutput(TextTarget target);

    void add(std::string_view text)
    {
        if (m_buffer.size() + text.size() > m_buffer.capacity())
            flush();
        m_buffer.append(text);
        if (m_buffer.size() >= PieceSize)
            flush();
    }
    void add(char c) { add(std::string_view(&c, 1)); }
    void addNumber(std::uint64_t n)
    {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
        add(std::string_view(digits, std::size_t(end - digits)));
    }

    // How much text has been added so far: the offset of the next.
    std::uint64_t offset() const { return m_handedOn + m_buffer.size(); }
    bool canRewrite() const { return bool(m_target.writeAt); }
    // Writes `text` again over what was added at `offset`, of the same length.
    void rewrite(std::uint64_t offset, std::string_view text);
    // Hands on what is held.
    void flush();

private:
    TextTarget m_target;
    std::string m_buffer;
    std::uint64_t m_handedOn = 0;
};

} // namespace la
