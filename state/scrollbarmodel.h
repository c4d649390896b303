#pragma once

#include "state/controlmodel.h"

namespace la {

// A scroll bar whose range runs from the value at its top end to the value at its bottom
// end; either may be the larger ("top end 50, bottom end -50"). The top arrow moves the
// position one small step towards the top end's value, the bottom arrow towards the bottom
// end's; the position stops at either end. `onChange` runs whenever the position really
// changes, from the user or from code, nested inside the code that moved it.
class ScrollBarModel : public ControlModel
{
public:
    ScrollBarModel(int topEnd, int bottomEnd, int smallStep, int largeStep);

    int position() const { return m_position; }
    int topEnd() const { return m_topEnd; }
    int bottomEnd() const { return m_bottomEnd; }
    int smallStep() const { return m_smallStep; }
    int largeStep() const { return m_largeStep; }

    // Code's way to move the bar. A value outside the range is an invalid-property error.
    void setPosition(int position);
    // A step must be 1..32767, as the toolkit's bars allow; anything else is an error.
    void setSmallStep(int step);

    // The user's ways to move the bar; they do nothing while the bar is disabled.
    void clickTopArrow() { userMove(m_smallStep, true); }
    void clickBottomArrow() { userMove(m_smallStep, false); }
    void pageTowardTop() { userMove(m_largeStep, true); }
    void pageTowardBottom() { userMove(m_largeStep, false); }

    std::function<void()> onChange;

private:
    void userMove(int step, bool towardTop);
    void moveTo(int position);

    int m_topEnd;
    int m_bottomEnd;
    int m_smallStep;
    int m_largeStep;
    int m_position = 0;
};

} // namespace la
