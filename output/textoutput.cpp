#include "output/textoutput.h"

#include <algorithm>
#include <utility>

namespace la {

TextOutput::TextOutput(TextTarget target) : m_target(std::move(target))
{
    // Room for a whole piece and the largest text added at once beyond it.
    m_buffer.reserve(PieceSize + (64 << 10));
}

void TextOutput::flush()
{
    if (m_buffer.empty())
        return;
    m_target.write(m_buffer);
    m_handedOn += m_buffer.size();
    m_buffer.clear();
}

void TextOutput::rewrite(std::uint64_t offset, std::string_view text)
{
    if (offset >= m_handedOn) {
        m_buffer.replace(std::size_t(offset - m_handedOn), text.size(), text);
        return;
    }
    // Partly handed on: that part goes to the target again, the rest into the buffer.
    const std::size_t handed =
        std::size_t(std::min<std::uint64_t>(m_handedOn - offset, text.size()));
    m_target.writeAt(offset, text.substr(0, handed));
    if (handed < text.size())
        m_buffer.replace(0, text.size() - handed, text.substr(handed));
}

} // namespace la
