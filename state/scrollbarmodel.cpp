#include "state/scrollbarmodel.h"

#include "state/runtimeerror.h"

#include <algorithm>
#include <string>

namespace la {

ScrollBarModel::ScrollBarModel(int topEnd, int bottomEnd, int smallStep, int largeStep)
    : ControlModel(false), m_topEnd(topEnd), m_bottomEnd(bottomEnd), m_smallStep(smallStep),
      m_largeStep(largeStep)
{
}

void ScrollBarModel::setPosition(int position)
{
    if (position < std::min(m_topEnd, m_bottomEnd) || position > std::max(m_topEnd, m_bottomEnd)) {
        throw RuntimeError(RuntimeError::Kind::InvalidProperty,
                           "scroll bar position " + std::to_string(position) + " lies outside " +
                               std::to_string(m_topEnd) + ".." + std::to_string(m_bottomEnd));
    }
    moveTo(position);
}

void ScrollBarModel::setSmallStep(int step)
{
    if (step < 1 || step > 32767) {
        throw RuntimeError(RuntimeError::Kind::InvalidProperty,
                           "scroll bar step " + std::to_string(step) + " lies outside 1..32767");
    }
    m_smallStep = step;
}

void ScrollBarModel::userMove(int step, bool towardTop)
{
    if (!enabled())
        return;
    const int target = towardTop ? m_topEnd : m_bottomEnd;
    // Work in a wide type: a step of up to 32767 from a 16-bit position cannot overflow it.
    const long long direction = target >= m_position ? 1 : -1;
    long long next = m_position + direction * step;
    if ((direction > 0 && next > target) || (direction < 0 && next < target))
        next = target;
    moveTo(static_cast<int>(next));
}

void ScrollBarModel::moveTo(int position)
{
    if (position == m_position)
        return;
    m_position = position;
    notifyView();
    if (onChange)
        onChange();
}

} // namespace la
