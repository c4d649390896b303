#pragma once

#include "state/controlmodel.h"

#include <string>

namespace la {

// A push button: a caption and a click event. A click of a disabled button does nothing.
class ButtonModel : public ControlModel
{
public:
    explicit ButtonModel(std::string caption, bool enabled = true)
        : ControlModel(enabled), m_caption(std::move(caption))
    {
    }

    const std::string &caption() const { return m_caption; }
    void setCaption(const std::string &caption)
    {
        if (m_caption == caption)
            return;
        m_caption = caption;
        notifyView();
    }

    // The user's click.
    void click()
    {
        if (enabled() && onClick)
            onClick();
    }

    std::function<void()> onClick;

private:
    std::string m_caption;
};

} // namespace la
