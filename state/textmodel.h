#pragma once

#include "state/controlmodel.h"

#include <string>

namespace la {

// A text box whose text, and the tooltip that explains it, the program sets.
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

    const std::string &toolTip() const { return m_toolTip; }
    void setToolTip(const std::string &toolTip)
    {
        if (m_toolTip == toolTip)
            return;
        m_toolTip = toolTip;
        notifyView();
    }

private:
    std::string m_text;
    std::string m_toolTip;
};

} // namespace la
