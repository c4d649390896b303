#include "state/listmodel.h"

#include "state/runtimeerror.h"

#include <algorithm>

namespace la {

ListModel::ListModel(std::vector<std::string> entries, bool enabled)
    : ControlModel(enabled), m_entries(std::move(entries))
{
}

std::string ListModel::text() const
{
    return m_index < 0 ? std::string() : m_entries[static_cast<std::size_t>(m_index)];
}

void ListModel::setText(const std::string &text)
{
    auto it = std::find(m_entries.begin(), m_entries.end(), text);
    if (it == m_entries.end()) {
        throw RuntimeError(RuntimeError::Kind::InvalidProperty,
                           "\"" + text + "\" is not an entry of this pick-only list");
    }
    const int index = static_cast<int>(it - m_entries.begin());
    if (index == m_index)
        return;
    select(index);
    if (onClick)
        onClick();
}

void ListModel::choose(int index)
{
    if (!enabled() || index < 0 || index >= static_cast<int>(m_entries.size()))
        return;
    select(index);
    if (onClick)
        onClick();
}

void ListModel::select(int index)
{
    if (index == m_index)
        return;
    m_index = index;
    notifyView();
}

} // namespace la
