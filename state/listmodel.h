#pragma once

#include "state/controlmodel.h"

#include <string>
#include <vector>

namespace la {

// A pick-only drop-down list. Its text is the selected entry's text ("" before any
// selection). Putting an entry's text into it from code selects that entry and, when the
// selection changes, runs `onClick` at once, nested inside that code; putting the entry that
// is already selected raises nothing. A user's pick always raises `onClick`.
class ListModel : public ControlModel
{
public:
    explicit ListModel(std::vector<std::string> entries, bool enabled = true);

    const std::vector<std::string> &entries() const { return m_entries; }
    int selectedIndex() const { return m_index; }
    std::string text() const;

    // Code's way to choose an entry. A text that is no entry is an invalid-property error:
    // the list accepts no typing.
    void setText(const std::string &text);

    // The user's pick of entry `index`; nothing happens while the list is disabled.
    void choose(int index);

    std::function<void()> onClick;

private:
    void select(int index);

    std::vector<std::string> m_entries;
    int m_index = -1;
};

} // namespace la
