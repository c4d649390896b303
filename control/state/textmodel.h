#pragma once

#include "control/state/controlmodel.h"

#include <string>

namespace la {

// A text box whose text the program sets.
class TextModel : public ControlModel
{
public:
    explicit TextModel(std::string text = {}) : m_text(std::move(text)) {}

    const std::string &text() const { return m_text; }
    void setText(const std::string &text)
    {
        if (m_text == text)
            return;
        m_text = text;
        notifyView();
    }

private:
    std::string m_text;
};

} // namespace la
